#include "VideoSlot.h"

namespace pf
{

namespace
{

VideoScreen* s_screen = nullptr;

} // namespace

void setVideoScreen(VideoScreen* screen)
{
	s_screen = screen;
}

VideoScreen* videoScreen()
{
	return s_screen;
}

bool runVideoSlot(float dt, gr::Context* context)
{
	if (!s_screen)
		return false;
	s_screen->frame(dt, context);
	return true;
}

} // pf
