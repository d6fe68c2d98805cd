#pragma once

#include <support/IdleApp.h>
#include <support/RecordingOS.h>
#include <support/TempFolder.h>
#include <GameLua.h>
#include <framework/linux/HeadlessGL.h>
#include <game/Resources.h>
#include <game/SpriteSheet.h>
#include <gr/gl/gles2/GL2_Context.h>
#include <gr/gl/GLPlatform.h>
#include <io/ByteArrayInputStream.h>
#include <io/detail/detail.h>
#include <lua/LuaState.h>
#include <functional>
#include <string>
#include <vector>

/**
 * A script host drawing on a headless ES 2.0 context of size x size, its
 * saves in a scratch folder (removed with it); the built-in effects are read
 * from ENGINE_DATA_DIR. Main thread only.
 */
struct GLBenchHost
{
	framework::HeadlessGL gl;
	lang::Ptr<gr::gles2::GL_Context> ctx;
	test::TempFolder appData;
	test::RecordingOS os;
	test::IdleApp app{&os};
	lang::Ptr<lua::LuaState> lua = new lua::LuaState();
	lang::Ptr<game::Resources> resources;
	lang::Ptr<GameLua> host;

	explicit GLBenchHost(int size) :
		gl(framework::HeadlessGL::API_GLES2, size, size)
	{
		io::detail::setBundlePath(ENGINE_DATA_DIR);
		io::detail::setAppdataPath(appData.path());
		ctx = static_cast<gr::gles2::GL_Context*>(gr::gles2::GL_createContext(size, size, gr::Context::ORIENTATION_0, updateScrFunc));
		ctx->setShaderPath("shaders");
		resources = new game::Resources(ctx);
		host = new GameLua(&app, resources, lua, ctx);
	}

	~GLBenchHost()
	{
		host = nullptr;
		io::detail::setAppdataPath("");
	}

	/** Adds the sheet name over a grey 64 x 64 image; makeSprites creates its sprites. */
	void addGreySheet(std::string const& name, std::function<void(game::SpriteSheet&)> const& makeSprites)
	{
		std::vector<unsigned char> pixels(64 * 64 * 3, 200);
		lang::Ptr<gr::Image> image = ctx->createImage(64, 64, 0, gr::SurfaceFormat::SURFACE_B8G8R8, gr::Context::USAGE_STATIC);
		image->blt(0, 0, pixels.data(), 64 * 3, 0, 64, 64, gr::SurfaceFormat::SURFACE_B8G8R8);
		lang::Ptr<game::SpriteSheet> sheet = new game::SpriteSheet(image);
		makeSprites(*sheet);
		resources->addSpriteSheet(name, sheet);
	}

	/** Runs code with the host table as environment. */
	void run(std::string const& code)
	{
		io::ByteArrayInputStream in(code.data(), static_cast<int>(code.size()));
		lua->compile(in, "bench", host);
	}
};
