// Full-screen video for the scripts: the frame updates stop while it plays.
#include <GameLua.h>
#include <framework/App.h>
#include <framework/OSInterface.h>
#include <io/detail/detail.h>
#include <io/std/FileUtil.h>
#include <pf/VideoPlayer.h>

void GameLua::registerVideoApi()
{
	registerMethod("playVideo", this, &GameLua::playVideo);
}

void GameLua::playVideo(std::string const& name)
{
	// The player opens files by their full path: a shipped video lies in the
	// data folder, wherever the program was started from.
	std::string path = m_app->path(name);
	if (path.empty() || path[0] != '/')
		path = io::detail::constructPath(io::detail::bundlePath(), path);
	if (m_videoPlayer->playFullscreen(path, this))
		os()->stopUpdate();
}

void GameLua::videoPlayEnded()
{
	os()->startUpdate();
}
