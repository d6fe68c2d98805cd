#include <host/Video.h>
#include <framework/App.h>
#include <framework/OSInterface.h>
#include <io/detail/detail.h>
#include <io/std/FileUtil.h>
#include <pf/VideoPlayer.h>

namespace host
{

Video::Video(Core const& core, pf::VideoPlayerObserver& observer) :
	m_core(core),
	m_observer(observer)
{
}

Video::~Video() = default;

void Video::open()
{
	m_videoPlayer = new pf::VideoPlayer();
}

void Video::playVideo(std::string const& name)
{
	// The player opens files by their full path: a shipped video lies in the
	// data folder, wherever the program was started from.
	std::string path = m_core.app->path(name);
	if (path.empty() || path[0] != '/')
		path = io::detail::constructPath(io::detail::bundlePath(), path);
	if (m_videoPlayer->playFullscreen(path, &m_observer))
		m_core.app->os()->stopUpdate();
}

void Video::videoPlayEnded()
{
	m_core.app->os()->startUpdate();
}

} // namespace host
