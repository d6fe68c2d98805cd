#include "GLPlatform.h"
#include <algorithm>
#include <vector>

uint32_t EAGLBackbufferFrameBuffer = 0;

namespace gr
{

static GLPresenter* s_presenter = nullptr;

static std::vector<GLContextHook>& hooks()
{
	static std::vector<GLContextHook> list;
	return list;
}

void setCurrentPresenter(GLPresenter* presenter)
{
	s_presenter = presenter;
}

GLPresenter* currentPresenter()
{
	return s_presenter;
}

void addContextCurrentHook(GLContextHook hook)
{
	std::vector<GLContextHook>& list = hooks();
	if (hook && std::find(list.begin(), list.end(), hook) == list.end())
		list.push_back(hook);
}

void runContextCurrentHooks()
{
	for (GLContextHook hook : hooks())
		hook();
}

} // gr

void updateScrFunc()
{
	if (gr::s_presenter)
		gr::s_presenter->present();
}
