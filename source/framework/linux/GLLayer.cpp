#include "GLLayer.h"
#include <algorithm>
#include <vector>

uint32_t EAGLBackbufferFrameBuffer = 0;

namespace framework
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

} // framework

void updateScrFunc()
{
	if (framework::s_presenter)
		framework::s_presenter->present();
}
