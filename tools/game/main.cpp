// The game: the platform shell running the game application on the shipped
// data. Without ENGINE_DATA_PATH or --data the data comes from the build
// tree's bundle folder; saves go to the app-data folder or --save-dir. The
// window carries the sample game's name.
#include <framework/Hooks.h>
#include <framework/linux/HeapPolicy.h>
#include <framework/linux/Shell.h>
#include <io/detail/detail.h>
#include <cstdlib>

namespace
{

/** The game application's configuration, named after the sample game. */
void configureGame(framework::App::Configuration& config, framework::OSInterface& os)
{
	framework::configure(config, os);
	config.name = "Lantern Drift";
}

} // namespace

int main(int argc, char** argv)
{
	framework::setProgramHeapPolicy();
	if (!std::getenv("ENGINE_DATA_PATH"))
		io::detail::setBundlePath(ENGINE_BUNDLE_DIR);
	return framework::runShell(argc, argv, &configureGame, &framework::init);
}
