#include "HeadlessGL.h"
#include "GLLimits.h"
#include <lang/Exception.h>
#include <lang/Format.h>
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GLES2/gl2.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

namespace framework
{

namespace
{

// Frame buffer entry points. An OpenGL ES 1.1 context offers them only in
// their OES form, so both sets are looked up by name for the API in use.
struct FboFuncs
{
	void (*genFramebuffers)(GLsizei, GLuint*);
	void (*deleteFramebuffers)(GLsizei, GLuint const*);
	void (*bindFramebuffer)(GLenum, GLuint);
	void (*genRenderbuffers)(GLsizei, GLuint*);
	void (*deleteRenderbuffers)(GLsizei, GLuint const*);
	void (*bindRenderbuffer)(GLenum, GLuint);
	void (*renderbufferStorage)(GLenum, GLenum, GLsizei, GLsizei);
	void (*framebufferRenderbuffer)(GLenum, GLenum, GLenum, GLuint);
	GLenum (*checkFramebufferStatus)(GLenum);
};

const GLenum RGBA8 = 0x8058;

[[noreturn]] void fail(char const* what)
{
	lang::throwError(lang::Exception(lang::Format("Headless GL: {0} failed (EGL error 0x{1,x})", what, (double)eglGetError())));
}

template <class F>
void lookUp(F& fn, char const* name, char const* suffix)
{
	std::string full = std::string(name) + suffix;
	fn = reinterpret_cast<F>(eglGetProcAddress(full.c_str()));
	if (!fn)
		lang::throwError(lang::Exception(lang::Format("Headless GL: no entry point {0}", full)));
}

FboFuncs loadFboFuncs(HeadlessGL::Api api)
{
	char const* sfx = api == HeadlessGL::API_GLES1 ? "OES" : "";
	FboFuncs f;
	lookUp(f.genFramebuffers, "glGenFramebuffers", sfx);
	lookUp(f.deleteFramebuffers, "glDeleteFramebuffers", sfx);
	lookUp(f.bindFramebuffer, "glBindFramebuffer", sfx);
	lookUp(f.genRenderbuffers, "glGenRenderbuffers", sfx);
	lookUp(f.deleteRenderbuffers, "glDeleteRenderbuffers", sfx);
	lookUp(f.bindRenderbuffer, "glBindRenderbuffer", sfx);
	lookUp(f.renderbufferStorage, "glRenderbufferStorage", sfx);
	lookUp(f.framebufferRenderbuffer, "glFramebufferRenderbuffer", sfx);
	lookUp(f.checkFramebufferStatus, "glCheckFramebufferStatus", sfx);
	return f;
}

// The display's EGL version, set when display() initialises it.
EGLint s_eglMajor = 0;
EGLint s_eglMinor = 0;

// One surfaceless display per process, initialised on first use and kept
// until exit (terminating it would destroy every context at once).
EGLDisplay display()
{
	static EGLDisplay dpy = EGL_NO_DISPLAY;
	if (dpy != EGL_NO_DISPLAY)
		return dpy;

	// A request for an OpenGL ES 2.0 context would otherwise give the
	// newest version the driver has, whose leniencies hide faults.
	setenv("MESA_GLES_VERSION_OVERRIDE", "2.0", 0);

	char const* exts = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
	if (!exts || !std::strstr(exts, "EGL_MESA_platform_surfaceless"))
		lang::throwError(lang::Exception(lang::Format("Headless GL: the surfaceless EGL platform is not available")));
	auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
	if (!getPlatformDisplay)
		fail("eglGetPlatformDisplayEXT");
	EGLDisplay d = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
	if (d == EGL_NO_DISPLAY)
		fail("eglGetPlatformDisplayEXT");
	EGLint major = 0, minor = 0;
	if (!eglInitialize(d, &major, &minor))
		fail("eglInitialize");
	if (!eglBindAPI(EGL_OPENGL_ES_API))
		fail("eglBindAPI");
	s_eglMajor = major;
	s_eglMinor = minor;
	dpy = d;
	return dpy;
}

// Fence syncs of the display: EGL 1.5's, else those of EGL_KHR_fence_sync
// (the same but for the attribute type of eglCreateSync*); none when the
// display has neither. Looked up on first use.
struct FenceFuncs
{
	PFNEGLCREATESYNCPROC create = nullptr;
	PFNEGLCREATESYNCKHRPROC createKHR = nullptr;
	PFNEGLCLIENTWAITSYNCPROC clientWait = nullptr;
	PFNEGLDESTROYSYNCPROC destroy = nullptr;

	bool available() const { return (create || createKHR) && clientWait && destroy; }
};

FenceFuncs const& fenceFuncs()
{
	static FenceFuncs f;
	static bool looked = false;
	if (looked)
		return f;
	looked = true;
	EGLDisplay dpy = display();
	if (s_eglMajor > 1 || (s_eglMajor == 1 && s_eglMinor >= 5))
	{
		f.create = reinterpret_cast<PFNEGLCREATESYNCPROC>(eglGetProcAddress("eglCreateSync"));
		f.clientWait = reinterpret_cast<PFNEGLCLIENTWAITSYNCPROC>(eglGetProcAddress("eglClientWaitSync"));
		f.destroy = reinterpret_cast<PFNEGLDESTROYSYNCPROC>(eglGetProcAddress("eglDestroySync"));
		if (f.available())
			return f;
		f = FenceFuncs();
	}
	char const* exts = eglQueryString(dpy, EGL_EXTENSIONS);
	if (exts && std::strstr(exts, "EGL_KHR_fence_sync"))
	{
		// The KHR functions differ from the core ones only in names: EGLSyncKHR
		// and EGLSync are both pointers, EGLTimeKHR and EGLTime the same
		// integer.
		f.createKHR = reinterpret_cast<PFNEGLCREATESYNCKHRPROC>(eglGetProcAddress("eglCreateSyncKHR"));
		f.clientWait = reinterpret_cast<PFNEGLCLIENTWAITSYNCPROC>(eglGetProcAddress("eglClientWaitSyncKHR"));
		f.destroy = reinterpret_cast<PFNEGLDESTROYSYNCPROC>(eglGetProcAddress("eglDestroySyncKHR"));
		if (!f.available())
			f = FenceFuncs();
	}
	return f;
}

// Fences made by createFence and not yet deleted by deleteFence.
int s_pendingFences = 0;

// A fence after the commands given so far to the current context, handed
// to the GL at once; null when there are no fences or the context takes
// none.
EGLSync createFence()
{
	FenceFuncs const& f = fenceFuncs();
	EGLSync fence = EGL_NO_SYNC;
	if (f.create)
	{
		EGLAttrib const attribs[] = {EGL_NONE};
		fence = f.create(display(), EGL_SYNC_FENCE, attribs);
	}
	else if (f.createKHR)
	{
		EGLint const attribs[] = {EGL_NONE};
		fence = f.createKHR(display(), EGL_SYNC_FENCE_KHR, attribs);
	}
	if (fence == EGL_NO_SYNC)
	{
		// Leave no error behind for the next EGL caller to find.
		eglGetError();
		return EGL_NO_SYNC;
	}
	// Without a flush the fence could wait in the context's queue for the
	// next frame's commands.
	glFlush();
	++s_pendingFences;
	return fence;
}

void deleteFence(EGLSync fence)
{
	fenceFuncs().destroy(display(), fence);
	--s_pendingFences;
}

// Frame buffer functions of each API, looked up the first time a context of
// that API is current.
FboFuncs& fboFuncs(HeadlessGL::Api api)
{
	static FboFuncs es1 = {};
	static FboFuncs es2 = {};
	FboFuncs& f = api == HeadlessGL::API_GLES1 ? es1 : es2;
	if (!f.genFramebuffers)
		f = loadFboFuncs(api);
	return f;
}

} // namespace

HeadlessGL::HeadlessGL(Api api, int width, int height) :
	HeadlessGL(api, width, height, Format())
{
}

HeadlessGL::HeadlessGL(Api api, int width, int height, Format format) :
	m_api(api), m_format(format), m_width(width), m_height(height), m_context(nullptr), m_fbo(0), m_colorBuffer(0), m_depthBuffer(0), m_frames(0), m_maxSize(0), m_fence(nullptr)
{
	if (width <= 0 || height <= 0)
		lang::throwError(lang::Exception(lang::Format("Headless GL: invalid size {0} x {1}", (double)width, (double)height)));

	EGLDisplay dpy = display();
	EGLint const configAttribs[] = {
		EGL_RENDERABLE_TYPE, api == API_GLES1 ? EGL_OPENGL_ES_BIT : EGL_OPENGL_ES2_BIT,
		EGL_SURFACE_TYPE, 0, // no window: drawing goes to a frame buffer object
		EGL_NONE,
	};
	EGLConfig config = nullptr;
	EGLint count = 0;
	if (!eglChooseConfig(dpy, configAttribs, &config, 1, &count) || count < 1)
		fail("eglChooseConfig");
	EGLint const contextAttribs[] = {
		EGL_CONTEXT_CLIENT_VERSION, api == API_GLES1 ? 1 : 2,
		EGL_NONE,
	};
	EGLContext ctx = eglCreateContext(dpy, config, EGL_NO_CONTEXT, contextAttribs);
	if (ctx == EGL_NO_CONTEXT)
		fail("eglCreateContext");
	m_context = ctx;

	EGLContext previous = eglGetCurrentContext();
	if (!eglMakeCurrent(dpy, EGL_NO_SURFACE, EGL_NO_SURFACE, ctx))
	{
		eglDestroyContext(dpy, ctx);
		fail("eglMakeCurrent");
	}

	try
	{
		m_maxSize = GLLimits::maxDrawableSize();
		m_width = width = std::min(width, m_maxSize);
		m_height = height = std::min(height, m_maxSize);
		GLenum status = 0, err = 0;
		createBuffers(status, err);
		if (status != GL_FRAMEBUFFER_COMPLETE || err != GL_NO_ERROR || !m_fbo)
			lang::throwError(lang::Exception(lang::Format("Headless GL: frame buffer incomplete (status 0x{0,x}, GL error 0x{1,x})", (double)status, (double)err)));
		glViewport(0, 0, width, height);
	}
	catch (...)
	{
		deleteBuffers();
		eglMakeCurrent(dpy, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
		eglDestroyContext(dpy, ctx);
		throw;
	}

	EAGLBackbufferFrameBuffer = m_fbo;
	gr::setCurrentPresenter(this);
	if (previous != ctx)
		gr::runContextCurrentHooks();
}

HeadlessGL::~HeadlessGL()
{
	EGLDisplay dpy = display();
	EGLContext ctx = static_cast<EGLContext>(m_context);
	EGLContext previous = eglGetCurrentContext();
	bool wasCurrent = previous == ctx;

	// A fence not yet signalled goes once it is.
	if (m_fence)
		deleteFence(static_cast<EGLSync>(m_fence));
	m_fence = nullptr;

	// The buffers belong to this context: delete them with it current.
	if (!wasCurrent)
		eglMakeCurrent(dpy, EGL_NO_SURFACE, EGL_NO_SURFACE, ctx);
	deleteBuffers();
	eglMakeCurrent(dpy, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
	eglDestroyContext(dpy, ctx);

	if (wasCurrent)
	{
		EAGLBackbufferFrameBuffer = 0;
	}
	else if (previous != EGL_NO_CONTEXT)
	{
		// Put the other view's context back; its GL state did not change.
		eglMakeCurrent(dpy, EGL_NO_SURFACE, EGL_NO_SURFACE, previous);
	}
	if (gr::currentPresenter() == this)
		gr::setCurrentPresenter(nullptr);
}

void HeadlessGL::createBuffers(unsigned& status, unsigned& error)
{
	FboFuncs& f = fboFuncs(m_api);
	f.genFramebuffers(1, &m_fbo);
	f.bindFramebuffer(GL_FRAMEBUFFER, m_fbo);
	f.genRenderbuffers(1, &m_colorBuffer);
	f.bindRenderbuffer(GL_RENDERBUFFER, m_colorBuffer);
	f.renderbufferStorage(GL_RENDERBUFFER, m_format.color == COLOR_RGB565 ? GL_RGB565 : RGBA8, m_width, m_height);
	f.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, m_colorBuffer);
	if (m_format.depth)
	{
		f.genRenderbuffers(1, &m_depthBuffer);
		f.bindRenderbuffer(GL_RENDERBUFFER, m_depthBuffer);
		f.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, m_width, m_height);
		f.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, m_depthBuffer);
	}
	status = f.checkFramebufferStatus(GL_FRAMEBUFFER);
	error = glGetError();
}

bool HeadlessGL::rebuild(int width, int height)
{
	if (width < 0 || height < 0)
		lang::throwError(lang::Exception(lang::Format("Headless GL: invalid size {0} x {1}", (double)width, (double)height)));
	makeCurrent();
	deleteBuffers();
	m_width = width;
	m_height = height;
	unsigned status = 0, err = 0;
	createBuffers(status, err);
	EAGLBackbufferFrameBuffer = m_fbo;
	if (status != GL_FRAMEBUFFER_COMPLETE)
		return false;
	glViewport(0, 0, width, height);
	return true;
}

void HeadlessGL::deleteBuffers()
{
	FboFuncs& f = fboFuncs(m_api);
	if (!f.genFramebuffers)
		return;
	if (m_fbo)
		f.deleteFramebuffers(1, &m_fbo);
	if (m_colorBuffer)
		f.deleteRenderbuffers(1, &m_colorBuffer);
	if (m_depthBuffer)
		f.deleteRenderbuffers(1, &m_depthBuffer);
	m_fbo = m_colorBuffer = m_depthBuffer = 0;
}

void HeadlessGL::makeCurrent()
{
	EGLContext ctx = static_cast<EGLContext>(m_context);
	bool switched = eglGetCurrentContext() != ctx;
	if (switched && !eglMakeCurrent(display(), EGL_NO_SURFACE, EGL_NO_SURFACE, ctx))
		fail("eglMakeCurrent");
	fboFuncs(m_api).bindFramebuffer(GL_FRAMEBUFFER, m_fbo);
	EAGLBackbufferFrameBuffer = m_fbo;
	gr::setCurrentPresenter(this);
	if (switched)
		gr::runContextCurrentHooks();
}

int HeadlessGL::pendingFences()
{
	return s_pendingFences;
}

bool HeadlessGL::isCurrent() const
{
	return eglGetCurrentContext() == static_cast<EGLContext>(m_context);
}

void HeadlessGL::present()
{
	++m_frames;
	waitForPreviousFrame();
	if (!isCurrent())
		return;
	if (fenceFuncs().available())
		m_fence = createFence();
	// Without a fence the frame is waited for now.
	if (!m_fence)
		glFinish();
}

void HeadlessGL::waitForPreviousFrame()
{
	if (!m_fence)
		return;
	FenceFuncs const& f = fenceFuncs();
	EGLSync fence = static_cast<EGLSync>(m_fence);
	m_fence = nullptr;
	EGLint const result = f.clientWait(display(), fence, EGL_SYNC_FLUSH_COMMANDS_BIT, EGL_FOREVER);
	deleteFence(fence);
	if (result == EGL_FALSE)
	{
		// The wait failed: this context's work is waited for instead.
		eglGetError();
		if (isCurrent())
			glFinish();
	}
}

} // framework
