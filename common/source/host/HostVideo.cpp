#include <host/HostVideo.h>
#include <framework/App.h>
#include <framework/OSInterface.h>
#include <io/detail/detail.h>
#include <io/std/FileUtil.h>
#include <pf/VideoPlayer.h>

HostVideo::HostVideo(HostCore const& core, pf::VideoPlayerObserver& observer) :
	m_core(core),
	m_observer(observer)
{
}

HostVideo::~HostVideo() = default;

void HostVideo::open()
{
	m_videoPlayer = new pf::VideoPlayer();
}

void HostVideo::playVideo(std::string const& name)
{
	// The player opens files by their full path: a shipped video lies in the
	// data folder, wherever the program was started from.
	std::string path = m_core.app->path(name);
	if (path.empty() || path[0] != '/')
		path = io::detail::constructPath(io::detail::bundlePath(), path);
	if (m_videoPlayer->playFullscreen(path, &m_observer))
		m_core.app->os()->stopUpdate();
}

void HostVideo::videoPlayEnded()
{
	m_core.app->os()->startUpdate();
}
