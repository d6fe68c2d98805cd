#pragma once

#include <string>

// The process's folders. Every function here is thread-safe and may be
// called until the process ends, also from a detached thread while the exit
// handlers run: the settings they keep are never destroyed.

namespace io
{
namespace detail
{

/**
 * Sets the bundle folder, the read-only root of the shipped data.
 * Until set, it is the folder named by the environment variable
 * ENGINE_DATA_PATH, else the folder of the running executable.
 * An empty path returns to that default.
 */
void setBundlePath(std::string const& path);

/**
 * Sets the app-data folder, where saves are written.
 * Until set, it is $XDG_DATA_HOME/<app>, else ~/.local/share/<app>, where
 * <app> is the name given to setApplicationName() or else the executable's
 * file name. Output streams create the folder when it does not exist yet.
 * An empty path returns to that default.
 */
void setAppdataPath(std::string const& path);

/** Names the application folder used by the default app-data folder. */
void setApplicationName(std::string const& name);

/** The bundle folder. */
std::string bundlePath();

/** The app-data folder. */
std::string appdataPath();

/**
 * The caches folder, for data that may be rebuilt: $XDG_CACHE_HOME/<app>,
 * else ~/.cache/<app>, with <app> as for the app-data folder. It is not
 * created here.
 */
std::string cachesPath();

/**
 * Creates the folder path and the folders above it when missing.
 * @return True when the folder exists afterwards.
 */
bool makeFolders(std::string const& path);

} // detail
} // io
