#pragma once

namespace gr
{
class Context;
}

namespace pf
{

/** What plays in the video slot: a full-screen video drawn in place of the game's frames. */
class VideoScreen
{
public:
	virtual ~VideoScreen() {}

	/**
	 * Advances the video by dt seconds and draws its picture into context.
	 * May end the video (clearing the slot and telling its observer).
	 * @exception lang::Throwable From the observer.
	 */
	virtual void frame(float dt, gr::Context* context) = 0;
};

/** Puts screen in the slot (null empties it); the slot does not own it. Main thread. */
void setVideoScreen(VideoScreen* screen);

/** What is in the slot; null when no video plays. Main thread. */
VideoScreen* videoScreen();

/**
 * The shell's turn: when a video plays, advances and draws it and answers
 * true (the shell then presents the frame); else false. Main thread.
 * @exception lang::Throwable From the video's observer.
 */
bool runVideoSlot(float dt, gr::Context* context);

} // pf
