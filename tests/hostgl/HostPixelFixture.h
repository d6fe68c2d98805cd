#pragma once

#include <support/IdleApp.h>
#include <support/RecordingOS.h>
#include <support/RenderFixture.h>
#include <support/TempFolder.h>
#include <GameLua.h>
#include <game/Resources.h>
#include <game/SpriteSheet.h>
#include <io/ByteArrayInputStream.h>
#include <lua/LuaState.h>
#include <initializer_list>
#include <string>

namespace hostgltest
{

/** The script host on the headless ES 2.0 fixture's context, its saves in a scratch folder. */
class HostPixelFixture : public gles2test::RenderFixture
{
protected:
	test::TempFolder appData;
	test::RecordingOS os;
	test::IdleApp app{&os};
	lang::Ptr<lua::LuaState> lua = new lua::LuaState();
	lang::Ptr<game::Resources> resources = new game::Resources(&ctx());
	lang::Ptr<GameLua> host;

	void SetUp() override
	{
		RenderFixture::SetUp();
		io::detail::setAppdataPath(appData.path());
		host = new GameLua(&app, resources, lua, &ctx());
	}

	void TearDown() override
	{
		host = nullptr;
		io::detail::setAppdataPath("");
		RenderFixture::TearDown();
	}

	/** A sprite of a sheet: name, rectangle and pivot in the image's pixels. */
	struct SpriteDef
	{
		char const* name;
		int x, y, width, height, pivotX, pivotY;
	};

	/** Adds the sheet name over image with the sprites given. */
	void addSheet(std::string const& name, lang::Ptr<gr::Image> const& image, std::initializer_list<SpriteDef> sprites)
	{
		lang::Ptr<game::SpriteSheet> sheet = new game::SpriteSheet(image);
		for (SpriteDef const& s : sprites)
			sheet->createSprite(s.name, s.x, s.y, s.width, s.height, s.pivotX, s.pivotY);
		resources->addSpriteSheet(name, sheet);
	}

	/** Runs code with the host table as environment. */
	void run(std::string const& code)
	{
		io::ByteArrayInputStream in(code.data(), static_cast<int>(code.size()));
		lua->compile(in, "test", host);
	}
};

} // namespace hostgltest
