// The game: the platform shell running the game application on the shipped
// data. Without ENGINE_DATA_PATH or --data the data comes from the build
// tree's bundle folder; saves go to the app-data folder or --save-dir.
#include <framework/Hooks.h>
#include <io/detail/detail.h>
#include <cstdlib>

int main(int argc, char** argv)
{
	if (!std::getenv("ENGINE_DATA_PATH"))
		io::detail::setBundlePath(ENGINE_BUNDLE_DIR);
	return framework::shellMain(argc, argv);
}
