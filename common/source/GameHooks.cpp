// The game's start-up hooks for the platform shell.
#include "GameApp.h"
#include <framework/Hooks.h>

namespace framework
{

void configure(App::Configuration& config, OSInterface&)
{
	config.allowedOrientations.push_back(1);
	config.allowedOrientations.push_back(3);
	config.width = 768;
	config.height = 1024;
	config.renderers.push_back(1);
	GameApp::folders().setDefaults();
}

App* init(OSInterface* os, gr::Context* context)
{
	return new GameApp(context, os);
}

} // framework
