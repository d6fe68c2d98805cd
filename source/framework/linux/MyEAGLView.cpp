#include "MyEAGLView.h"
#include "GLSurface.h"
#include "Host.h"
#include <lang/Debug.h>
#include <lang/Exception.h>
#include <lang/Format.h>

namespace framework
{

std::unique_ptr<MyEAGLView> MyEAGLView::initWithFrameAndParameters(Host& host, int width, int height, int colorBits,
	bool depth, std::vector<int> const& renderers)
{
	std::unique_ptr<MyEAGLView> view(new MyEAGLView());
	view->m_useDepth = depth;
	for (int renderer : renderers)
	{
		if (renderer != 0 && renderer != 1)
			continue;
		view->m_context.reset(host.createGLSurface(renderer, width, height, colorBits, depth));
		if (view->m_context)
		{
			view->m_selectedRenderer = renderer;
			break;
		}
	}
	if (!view->m_context)
		lang::throwError(lang::Exception(lang::Format("No renderer was chosen")));
	if (!view->m_context->makeCurrent())
		return nullptr;
	gr::setCurrentPresenter(view.get());
	view->createFramebuffer();
	return view;
}

MyEAGLView::~MyEAGLView()
{
	if (m_context)
	{
		if (m_context->isCurrent())
			destroyFramebuffer();
		m_context.reset();
	}
	if (gr::currentPresenter() == this || (m_presentHandler && gr::currentPresenter() == m_presentHandler))
		gr::setCurrentPresenter(nullptr);
}

void MyEAGLView::makeCurrent()
{
	if (!m_context->makeCurrent())
		lang::throwError(lang::Exception(lang::Format("The GL context could not be made current")));
	EAGLBackbufferFrameBuffer = m_viewFramebuffer;
	gr::setCurrentPresenter(m_presentHandler ? m_presentHandler : this);
}

void MyEAGLView::layoutSubviews()
{
	makeCurrent();
	destroyFramebuffer();
	createFramebuffer();
}

bool MyEAGLView::createFramebuffer()
{
	m_complete = false;
	if (m_selectedRenderer != 0 && m_selectedRenderer != 1)
		return false;
	uint32_t fbo = 0;
	int w = 0, h = 0;
	bool const complete = m_context->createFramebuffer(fbo, w, h);
	// The surface may have taken over the present call while it worked.
	gr::setCurrentPresenter(m_presentHandler ? m_presentHandler : this);
	m_viewFramebuffer = fbo;
	EAGLBackbufferFrameBuffer = fbo;
	m_backingWidth = w;
	m_backingHeight = h;
	if (!complete)
	{
		lang::Debug::printf("failed to make complete framebuffer object!\n");
		return false;
	}
	m_complete = true;
	return true;
}

void MyEAGLView::destroyFramebuffer()
{
	if (m_selectedRenderer != 0 && m_selectedRenderer != 1)
		return;
	m_context->destroyFramebuffer();
	m_viewFramebuffer = 0;
	m_complete = false;
}

void MyEAGLView::present()
{
	if (m_selectedRenderer == 0 || m_selectedRenderer == 1)
		m_context->present();
}

} // framework
