#pragma once

namespace pf
{

/** Told when a full-screen video has ended (main thread). */
class VideoPlayerObserver
{
public:
	virtual ~VideoPlayerObserver() {}

	/** The video's picture ended; called once per video. */
	virtual void videoPlayEnded() = 0;
};

} // pf
