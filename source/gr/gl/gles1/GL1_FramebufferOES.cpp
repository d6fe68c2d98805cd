// Frame and render buffer objects of OpenGL ES 1.1 (the OES forms). The
// ES 1.1 library of this platform does not export these entry points; the
// driver gives them only through eglGetProcAddress. The build renames every
// use of their usual names to names of this back end's own (see
// CMakeLists.txt), so the functions below are defined under those names and
// never stand in for, or clash with, a GL library's exports; the back end
// still writes the usual names. Each looks its driver entry up once (by the
// usual name) and forwards to it. A missing entry point is fatal, like a GL
// error.

#include <EGL/egl.h>
#include <GLES/gl.h>
#include <GLES/glext.h>
#include <cstdio>
#include <cstdlib>

#if !defined(glBindFramebufferOES)
#error "the build must rename the OES frame buffer entry points (see CMakeLists.txt)"
#endif

namespace
{

template <class F>
F entryPoint(F& cached, char const* name)
{
	if (!cached)
	{
		cached = reinterpret_cast<F>(eglGetProcAddress(name));
		if (!cached)
		{
			std::fprintf(stderr, "OpenGL ES 1.1 entry point %s is not available\n", name);
			std::abort();
		}
	}
	return cached;
}

} // namespace

#define GR_GL1_FORWARD(proc, name, ...) \
	static proc s_fn = nullptr; \
	return entryPoint(s_fn, name)(__VA_ARGS__)

extern "C" {

GL_API GLboolean GL_APIENTRY glIsRenderbufferOES(GLuint renderbuffer)
{
	GR_GL1_FORWARD(PFNGLISRENDERBUFFEROESPROC, "glIsRenderbufferOES", renderbuffer);
}

GL_API void GL_APIENTRY glBindRenderbufferOES(GLenum target, GLuint renderbuffer)
{
	GR_GL1_FORWARD(PFNGLBINDRENDERBUFFEROESPROC, "glBindRenderbufferOES", target, renderbuffer);
}

GL_API void GL_APIENTRY glDeleteRenderbuffersOES(GLsizei n, GLuint const* renderbuffers)
{
	GR_GL1_FORWARD(PFNGLDELETERENDERBUFFERSOESPROC, "glDeleteRenderbuffersOES", n, renderbuffers);
}

GL_API void GL_APIENTRY glGenRenderbuffersOES(GLsizei n, GLuint* renderbuffers)
{
	GR_GL1_FORWARD(PFNGLGENRENDERBUFFERSOESPROC, "glGenRenderbuffersOES", n, renderbuffers);
}

GL_API void GL_APIENTRY glRenderbufferStorageOES(GLenum target, GLenum internalformat, GLsizei width, GLsizei height)
{
	GR_GL1_FORWARD(PFNGLRENDERBUFFERSTORAGEOESPROC, "glRenderbufferStorageOES", target, internalformat, width, height);
}

GL_API void GL_APIENTRY glGetRenderbufferParameterivOES(GLenum target, GLenum pname, GLint* params)
{
	GR_GL1_FORWARD(PFNGLGETRENDERBUFFERPARAMETERIVOESPROC, "glGetRenderbufferParameterivOES", target, pname, params);
}

GL_API GLboolean GL_APIENTRY glIsFramebufferOES(GLuint framebuffer)
{
	GR_GL1_FORWARD(PFNGLISFRAMEBUFFEROESPROC, "glIsFramebufferOES", framebuffer);
}

GL_API void GL_APIENTRY glBindFramebufferOES(GLenum target, GLuint framebuffer)
{
	GR_GL1_FORWARD(PFNGLBINDFRAMEBUFFEROESPROC, "glBindFramebufferOES", target, framebuffer);
}

GL_API void GL_APIENTRY glDeleteFramebuffersOES(GLsizei n, GLuint const* framebuffers)
{
	GR_GL1_FORWARD(PFNGLDELETEFRAMEBUFFERSOESPROC, "glDeleteFramebuffersOES", n, framebuffers);
}

GL_API void GL_APIENTRY glGenFramebuffersOES(GLsizei n, GLuint* framebuffers)
{
	GR_GL1_FORWARD(PFNGLGENFRAMEBUFFERSOESPROC, "glGenFramebuffersOES", n, framebuffers);
}

GL_API GLenum GL_APIENTRY glCheckFramebufferStatusOES(GLenum target)
{
	GR_GL1_FORWARD(PFNGLCHECKFRAMEBUFFERSTATUSOESPROC, "glCheckFramebufferStatusOES", target);
}

GL_API void GL_APIENTRY glFramebufferRenderbufferOES(GLenum target, GLenum attachment, GLenum renderbuffertarget, GLuint renderbuffer)
{
	GR_GL1_FORWARD(PFNGLFRAMEBUFFERRENDERBUFFEROESPROC, "glFramebufferRenderbufferOES", target, attachment, renderbuffertarget, renderbuffer);
}

GL_API void GL_APIENTRY glFramebufferTexture2DOES(GLenum target, GLenum attachment, GLenum textarget, GLuint texture, GLint level)
{
	GR_GL1_FORWARD(PFNGLFRAMEBUFFERTEXTURE2DOESPROC, "glFramebufferTexture2DOES", target, attachment, textarget, texture, level);
}

GL_API void GL_APIENTRY glGetFramebufferAttachmentParameterivOES(GLenum target, GLenum attachment, GLenum pname, GLint* params)
{
	GR_GL1_FORWARD(PFNGLGETFRAMEBUFFERATTACHMENTPARAMETERIVOESPROC, "glGetFramebufferAttachmentParameterivOES", target, attachment, pname, params);
}

GL_API void GL_APIENTRY glGenerateMipmapOES(GLenum target)
{
	GR_GL1_FORWARD(PFNGLGENERATEMIPMAPOESPROC, "glGenerateMipmapOES", target);
}

} // extern "C"
