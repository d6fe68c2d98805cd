#pragma once

// The entry points that join a program, its application and the platform
// shell. A program defines configure and init and lets its main call
// shellMain; tests hand their own pair to the shell directly.

#include <framework/App.h>

namespace framework
{

class OSInterface;

/**
 * The game's settings hook: fills config (the shell has set the screen size
 * and orientation) before the window and the graphics context exist.
 * May throw: the launch then fails.
 */
void configure(App::Configuration& config, OSInterface& os);

/**
 * The game's factory: the one application object for the context, created
 * after the window, view and context exist. Returns a new object the shell
 * owns (destroyed through App::deleteApp). May throw: the launch then fails.
 */
App* init(OSInterface* os, gr::Context* context);

/** Type of configure, for shells that take it as a parameter. */
typedef void (*ConfigureHook)(App::Configuration& config, OSInterface& os);

/** Type of init, for shells that take it as a parameter. */
typedef App* (*InitHook)(OSInterface* os, gr::Context* context);

/**
 * Runs the platform shell with the program's configure and init: parses
 * the command line, launches, runs frames until the end and tears down.
 * Returns the process exit status (the application's quit code; 1 after an
 * exception escaped the application or a failed launch; 2 for bad flags).
 * Defined by the platform shell library.
 */
int shellMain(int argc, char** argv);

} // framework
