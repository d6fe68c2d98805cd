// Full-screen video for the scripts: the frame updates stop while it plays.
#include <GameLua.h>
#include <framework/App.h>
#include <framework/OSInterface.h>
#include <pf/VideoPlayer.h>

void GameLua::registerVideoApi()
{
	registerMethod("playVideo", this, &GameLua::playVideo);
}

void GameLua::playVideo(std::string const& name)
{
	if (m_videoPlayer->playFullscreen(m_app->path(name), this))
		os()->stopUpdate();
}

void GameLua::videoPlayEnded()
{
	os()->startUpdate();
}
