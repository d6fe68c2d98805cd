#pragma once

#include <host/Core.h>
#include <lang/Ptr.h>
#include <string>

namespace pf
{
class VideoPlayer;
class VideoPlayerObserver;
}

namespace host
{

/**
 * Full-screen video for the scripts: the frame updates stop while it plays.
 * The end of a video comes back through the observer given at construction
 * (the host), which hands it to videoPlayEnded here.
 *
 * Main thread only.
 */
class Video
{
public:
	/** No player yet (open makes it). observer is told of the ends of videos (not owned; it must outlive this object). */
	Video(Core const& core, pf::VideoPlayerObserver& observer);

	~Video();

	/** Makes the video player; called once. */
	void open();

	/**
	 * Plays the data file name full screen; while it plays the frame updates
	 * stop. The application's path for name is found in the data folder
	 * (io::detail::bundlePath) unless it is absolute, never against the
	 * working folder.
	 */
	void playVideo(std::string const& name);

	/** Restarts the frame updates. */
	void videoPlayEnded();

	/** The video player; null before open. */
	pf::VideoPlayer* videoPlayer() const { return m_videoPlayer; }

private:
	Core m_core;
	pf::VideoPlayerObserver& m_observer;
	lang::Ptr<pf::VideoPlayer> m_videoPlayer;

	Video(Video const&) = delete;
	Video& operator=(Video const&) = delete;
};

} // namespace host
