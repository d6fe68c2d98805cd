#pragma once

#include <lang/Object.h>
#include <lang/Ptr.h>
#include <string>

namespace pf
{

class VideoPlayerImpl;
class VideoPlayerObserver;

/**
 * Plays a movie file full screen: while it plays it sits in the video slot
 * (pf::runVideoSlot), which the shell calls each turn in place of the
 * game's frames; the picture is fitted to the screen with black bars and
 * its sound plays on an output device of its own. Main thread only.
 */
class VideoPlayer : public lang::Object
{
public:
	VideoPlayer();

	/** Stops a video that plays, without telling its observer. */
	~VideoPlayer() override;

	/**
	 * Starts the movie at path (a video already playing is stopped without
	 * telling its observer); observer (borrowed, may be null) is told once,
	 * when the picture ends, and must outlive the video.
	 * @return False, with a line naming the file, when it cannot be played.
	 */
	bool playFullscreen(std::string const& path, VideoPlayerObserver* observer);

	/** True while a video of this player plays. */
	bool isPlaying() const;

private:
	lang::Ptr<VideoPlayerImpl> m_impl;
};

} // pf
