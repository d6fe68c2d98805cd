#pragma once

#include <framework/linux/HeadlessGL.h>
#include <gr/Context.h>
#include <gr/gl/GLBackends.h>
#include <gr/gl/GLPlatform.h>
#include <io/detail/detail.h>
#include <lang/Ptr.h>
#include <support/PixelReadBack.h>
#include <functional>
#include <string>
#include <vector>

namespace test
{

/** Draws onto a context; called with the context's GL view current. */
typedef std::function<void(gr::Context*)> Scene;

/** A rendering back end: its GL flavour and the creator of its context. */
struct Backend
{
	framework::HeadlessGL::Api api;
	gr::Context* (*createContext)(int width, int height, gr::Context::OrientationType orientation, void (*present)());
};

inline Backend const GLES1 = {framework::HeadlessGL::API_GLES1, gr::gles1::GL_createContext};
inline Backend const GLES2 = {framework::HeadlessGL::API_GLES2, gr::gles2::GL_createContext};

/**
 * Top-down RGBA8 pixels of scene drawn through backend on a headless
 * width x height view; the built-in effects come from "shaders" under
 * dataDir (the bundle path while the scene runs). Link eng_gles1, eng_gles2,
 * eng_framework_linux and eng_test_support_gl.
 */
inline std::vector<unsigned char> renderOn(Backend const& backend, std::string const& dataDir, int width, int height, Scene const& scene)
{
	io::detail::setBundlePath(dataDir);
	framework::HeadlessGL gl(backend.api, width, height);
	lang::Ptr<gr::Context> context = backend.createContext(width, height, gr::Context::ORIENTATION_0, &updateScrFunc);
	context->setShaderPath("shaders");
	scene(context);
	std::vector<unsigned char> pixels = capturePixels(*context);
	context->present();
	return pixels;
}

} // namespace test
