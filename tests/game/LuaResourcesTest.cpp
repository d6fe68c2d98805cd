// The scripts' resource object "res", driven from script text on a real Lua
// state over the recording fake context and writer-made files.

#include "ResourceFixtures.h"
#include <audio/AudioClip.h>
#include <game/LuaResources.h>
#include <lua/LuaException.h>
#include <lua/LuaFixture.h>
#include <pf/Launcher.h>
#include <support/TempFolder.h>
#include <gtest/gtest.h>
#include <cstdlib>
#include <filesystem>

namespace
{

class LuaResourcesTest : public LuaFixture
{
protected:
	gametest::Bundle bundle;
	lang::Ptr<game::LuaResources> luaRes = new game::LuaResources(&lua, bundle.context);
	game::Resources& res = *luaRes->getResources();

	void SetUp() override
	{
		gametest::writeResourceFiles(bundle);
		luaRes->setPath("data");
	}

	float number(char const* global) { return lua.globals().getNumber(global); }

	/** x, y, width, height of the last recorded draw. */
	std::string lastDraw() const
	{
		std::vector<test::Call> const draws = bundle.context->callsOf("Image.draw");
		if (draws.empty())
			return "none";
		std::vector<std::string> const& a = draws.back().args;
		return a[1] + " " + a[2] + " " + a[3] + " " + a[4];
	}

	/** The message code raises, and checks that the state still runs code. */
	std::string raised(std::string const& code)
	{
		std::string const text = message<lang::Exception>([&] { run(code); });
		run("stillUsable = 1 + 1");
		EXPECT_EQ(number("stillUsable"), 2.f);
		return text;
	}
};

TEST_F(LuaResourcesTest, holdsItsFunctionsUnderTheGlobalRes)
{
	run("n = 0 for k, v in pairs(res) do if type(v) == 'function' then n = n + 1 end end");
	EXPECT_EQ(number("n"), 46.f);
	run("l = res.getLocale() x, y, w, h = res.getClipRect()");
	EXPECT_EQ(lua.globals().getString("l"), "en_EN");
	EXPECT_EQ(number("x"), -10000.f);
	EXPECT_EQ(number("y"), -10000.f);
	EXPECT_EQ(number("w"), 20000.f);
	EXPECT_EQ(number("h"), 20000.f);
	run("res.setClipRect(1.9, -2.5, 10.2, 3.9) x, y, w, h = res.getClipRect()");
	EXPECT_EQ(res.getClipRect(), gr::Rect(1, -2, 12, 1));
	EXPECT_EQ(number("w"), 11.f);
}

TEST_F(LuaResourcesTest, drawSpriteInDotAndColonForm)
{
	run("res.createSpriteSheet('img/s1.dat') res.createSpriteSheet('img/s1.dat', 'no reload')");
	// "one": 40 x 20, pivot 10, 4.
	run("res.drawSprite('one', 100, 50)");
	EXPECT_EQ(lastDraw(), "90 46 40 20");
	run("res:drawSprite('one', 100, 50)");
	EXPECT_EQ(lastDraw(), "90 46 40 20");
	run("res.drawSprite('one', 100, 50, 'TOP', 'LEFT', 80, 10)");
	EXPECT_EQ(lastDraw(), "100 50 80 10");
	run("res:drawCompoSprite('one', 100, 50, 'TOP', 'LEFT', 80, 10)");
	EXPECT_EQ(lastDraw(), "100 50 80 10");
	run("res.drawSprite('one', 100, 50, 'TOP', 'LEFT', 80)");
	EXPECT_EQ(lastDraw(), "100 50 40 20");
	run("res.drawSprite('one', 100, 50, 'BOTTOM')");
	EXPECT_EQ(lastDraw(), "90 30 40 20");
	bundle.context->clearCalls();
	run("res.drawSprite('unknown', 1, 2)");
	EXPECT_EQ(lastDraw(), "none");
}

TEST_F(LuaResourcesTest, boundsPivotsAndCompositeData)
{
	run("res.createSpriteSheet('img/s1.dat') res.createCompoSpriteSet('img/c.dat')");
	run("w, h = res.getSpriteBounds('one') px, py = res:getSpritePivot('one')"
		" l, t, r, b = res:getCompoSpriteBounds('one') nw, nh = res.getSpriteBounds('none')");
	EXPECT_EQ(number("w"), 40.f);
	EXPECT_EQ(number("h"), 20.f);
	EXPECT_EQ(number("px"), 10.f);
	EXPECT_EQ(number("py"), 4.f);
	EXPECT_EQ(number("l"), -10.f);
	EXPECT_EQ(number("t"), -4.f);
	EXPECT_EQ(number("r"), 30.f);
	EXPECT_EQ(number("b"), 16.f);
	EXPECT_EQ(number("nw") + number("nh"), 0.f);

	run("d = res.getCompoSpriteData('pair') n = #d a, ax, ay = d[1][1], d[1][2], d[1][3] b, bx, by = d[2][1], d[2][2], d[2][3]");
	EXPECT_EQ(number("n"), 2.f);
	EXPECT_EQ(lua.globals().getString("a"), "one");
	EXPECT_EQ(number("ax"), -10.f);
	EXPECT_EQ(lua.globals().getString("b"), "star");
	EXPECT_EQ(number("bx"), 10.f);
	EXPECT_EQ(number("by"), 3.f);
	EXPECT_NE(raised("res.getCompoSpriteData('one')").find("Composite sprite \"one\" not found"), std::string::npos);
}

TEST_F(LuaResourcesTest, textsAndFonts)
{
	run("res.createTextGroupSet('loc/TEXTS.dat') res.loadLocale('TEXTS', 'de_DE') res.useLocale('de_DE')"
		" s = res.getString('TEXTS', 'HELLO') k = res.getString('NOSET', 'KEY')");
	EXPECT_EQ(lua.globals().getString("s"), "Hallo");
	EXPECT_EQ(lua.globals().getString("k"), "KEY");
	EXPECT_NE(raised("res.drawString('TEXTS', 'AB', 1, 2)").find("No font is set while trying to draw string"), std::string::npos);

	run("res.createBitmapFont('img/f.dat') res.useFont('f') res.drawString('TEXTS', 'AB', 10, 30, 'BASELINE')"
		" w = res.getStringWidth('AB') a = res.getFontMaxAscending() d = res.getFontMaxDescending()"
		" fh = res.getFontHeight() fl = res.getFontLeading() ft = res.getFontTracking()");
	EXPECT_EQ(bundle.context->count("Image.draw"), 2); // "BA" in de_DE
	EXPECT_EQ(number("w"), float(res.getStringWidth("AB", 0, 2)));
	EXPECT_EQ(number("fh"), number("a") + number("d"));
	EXPECT_EQ(number("fl"), 3.f);
	EXPECT_EQ(number("ft"), 1.f);
	run("res.releaseFont('f') res.releaseTextGroupSet('loc/TEXTS.dat') res.releaseSpriteSheet('x') res.releaseCompoSpriteSet('x')");
	EXPECT_FALSE(res.getTextGroupSet("TEXTS"));
}

TEST_F(LuaResourcesTest, errorsReachTheCallerAndTheStateGoesOn)
{
	struct Case
	{
		char const* code;
		char const* message;
	} const cases[] = {
		{"res.getString('TEXTS', 5)", "Excepted type STRING at stack position 2 but found NUMBER"},
		{"res.getString('TEXTS')", "Excepted type STRING at stack position 2 but found INVALID"},
		{"res.playAudio()", "Excepted type STRING at stack position 1 but found INVALID"},
		{"res.drawSprite('star', 1, 2, 'MIDDLE')", "Invalid anchor: MIDDLE"},
		{"res.drawString('T', 'K', 1, 2, 'TOP', 'NOWHERE')", "Invalid anchor: NOWHERE"},
		{"res.playAudio('tone')", "Trying to play audio clip but no audio output has been created"},
		{"res.setTrackVolume(0.5, 1)", "Trying to set track volume but no audio output has been created"},
		{"res.createAudio('snd/tone.wav', 'tone')", "Trying to create audio but no audio output has been created"},
		{"res.createTextGroupSet('loc/none.dat')", "Failed to open "},
	};
	for (Case const& c : cases)
	{
		std::string const message = raised(c.code);
		EXPECT_NE(message.find(c.message), std::string::npos) << c.code << ": " << message;
	}
	run("v = res.getTrackVolume(1) m = res.getMasterVolume and 1 or 0");
	EXPECT_EQ(number("v"), 0.f);
	EXPECT_EQ(number("m"), 0.f); // native only
	EXPECT_EQ(luaRes->getMasterVolume(), 0.f);
}

TEST_F(LuaResourcesTest, audioThroughTheScripts)
{
	run("res.createAudioOutput(1.9, 16, 22050) res.startAudioOutput() res.setMasterVolume(0.5)");
	ASSERT_TRUE(res.getAudioOutput());
	EXPECT_FLOAT_EQ(luaRes->getMasterVolume(), 0.5f);
	run("res.createAudio('snd/tone.mp3', 'streamed') res.createAudio('snd/tone.mp3', 'decoded', false)");
	EXPECT_LT(res.getAudioClip("streamed")->dataSize(), 0); // read while playing
	EXPECT_GT(res.getAudioClip("decoded")->dataSize(), 4000);

	run("id = res.playAudio('decoded') none = res.playAudio('none') byId = res.isAudioPlaying(id)"
		" byName = res.isAudioPlaying('decoded') byBool = res.isAudioPlaying(true)");
	EXPECT_GE(number("id"), 0.f);
	EXPECT_EQ(number("none"), -1.f);
	EXPECT_TRUE(lua.globals().getBoolean("byId"));
	EXPECT_TRUE(lua.globals().getBoolean("byName"));
	EXPECT_FALSE(lua.globals().getBoolean("byBool"));

	// Without a track the clip goes to track 0: its limit of one refuses a second one.
	res.getAudioOutput()->setClipCountLimit(0, 1);
	run("again = res.playAudio('decoded', 1, false, 1) refused = res.playAudio('decoded')");
	EXPECT_GE(number("again"), 0.f);
	EXPECT_EQ(number("refused"), -1.f);

	run("res.setTrackVolume(0.25, 3.7) tv = res.getTrackVolume(3)");
	EXPECT_FLOAT_EQ(number("tv"), 0.25f);
	run("res.createCompositeAudio('both', {'streamed', 'nothing', 'decoded'}) res.playAudio('both', 0.5, true, 2)");
	EXPECT_TRUE(res.isAudioPlaying("both"));
	EXPECT_NE(raised("res.createCompositeAudio('none', {'x', 'y'})").find("A composite audio clip needs at least one clip"), std::string::npos);
	run("res.stopAudio('both') res.stopAllAudio() res.stopAudioOutput()");
	EXPECT_FALSE(res.isAudioPlaying("decoded"));

	run("res.createAudioInput(1, 16, 22050) res.startAudioInput() res.stopAudioInput()");
	EXPECT_TRUE(res.getAudioInput());
}

TEST_F(LuaResourcesTest, openURLRunsTheDesktopOpener)
{
	test::TempFolder bin;
	std::string const previous = std::getenv("PATH") ? std::getenv("PATH") : "";
	setenv("PATH", bin.path().c_str(), 1);
	run("without = res.openURL('https://example.org/a b')");
	EXPECT_FALSE(lua.globals().getBoolean("without"));

	bin.write("xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > '" + (bin / "opened") + "'\n");
	std::filesystem::permissions(bin / "xdg-open", std::filesystem::perms::owner_all);
	run("with = res.openURL('https://example.org/a b')");
	pf::Launcher::reapChildren(true);
	EXPECT_EQ(bin.read("opened"), "https://example.org/a b");
	run("refused = res.openURL('no address')");
	setenv("PATH", previous.c_str(), 1);
	EXPECT_TRUE(lua.globals().getBoolean("with"));
	EXPECT_FALSE(lua.globals().getBoolean("refused"));
}

} // namespace
