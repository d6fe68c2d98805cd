// The resource manager on the recording fake context with writer-made files
// in a temporary bundle folder, and on a real audio output whose sound goes
// to the wave writer.

#include "ResourceFixtures.h"
#include <audio/AudioClipCursor.h>
#include <game/Resources.h>
#include <gr/RenderState2D.h>
#include <support/AudioWaveEnvironment.h>
#include <gtest/gtest.h>

using game::Anchor;

namespace
{

::testing::Environment* const wave = ::testing::AddGlobalTestEnvironment(new AudioWaveEnvironment(22050));

audio::AudioConfiguration const MONO16{1, 16, 22050};

class ResourcesTest : public ::testing::Test
{
protected:
	gametest::Bundle bundle;
	lang::Ptr<game::Resources> res = new game::Resources(bundle.context);

	void SetUp() override
	{
		gametest::writeResourceFiles(bundle);
		res->setPath("data");
	}

	/** The image and size of the last draw, "none" without one. */
	std::string lastDraw() const
	{
		std::vector<test::Call> const draws = bundle.context->callsOf("Image.draw");
		if (draws.empty())
			return "none";
		std::vector<std::string> const& a = draws.back().args;
		return a[0] + " " + a[3] + "x" + a[4];
	}
};

TEST_F(ResourcesTest, sameBaseNameInTwoFolders)
{
	game::SpriteSheet* a = res->createSpriteSheet("a/same.dat", false);
	EXPECT_EQ(res->createSpriteSheet("b/same.dat", false), a);
	EXPECT_TRUE(res->getSprite("fromA"));
	EXPECT_FALSE(res->getSprite("fromB"));
	EXPECT_EQ(res->findSpriteSheet("fromA"), a);

	game::SpriteSheet* b = res->createSpriteSheet("b/same.dat", true);
	EXPECT_NE(b, a);
	EXPECT_EQ(res->getSpriteSheet("same"), b);
	EXPECT_FALSE(res->getSprite("fromA"));
	EXPECT_EQ(res->getSpriteWidth("fromB"), 6);
}

TEST_F(ResourcesTest, lastSheetOfASpriteNameWinsAndItsReleaseRemovesTheName)
{
	res->createSpriteSheet("img/s1.dat", false);
	res->createSpriteSheet("img/s2.dat", false);
	EXPECT_EQ(res->getSpriteWidth("star"), 20);
	EXPECT_EQ(res->getSpritePivotY("star"), 10);
	res->drawSprite("star", 0, 0, Anchor());
	EXPECT_EQ(lastDraw(), "data/img/s2.png 20x20");
	res->drawSprite("one", 0, 0, 80, 10, Anchor());
	EXPECT_EQ(lastDraw(), "data/img/s1.png 80x10");

	res->releaseSpriteSheet("img/s2.dat");
	EXPECT_FALSE(res->getSprite("star"));
	EXPECT_TRUE(res->getSpriteSheet("s1")->getSprite("star"));
	EXPECT_EQ(res->getSpriteWidth("star"), 0);
	bundle.context->clearCalls();
	res->drawSprite("star", 0, 0, Anchor());
	res->drawSprite("nothing", 0, 0, 5, 5, Anchor());
	EXPECT_EQ(lastDraw(), "none");
	EXPECT_EQ(res->getSpriteHeight("nothing") + res->getSpritePivotX("nothing"), 0);
}

TEST_F(ResourcesTest, compositesShareTheRegistry)
{
	std::string const unloaded = message<lang::Exception>([&] { res->createCompoSpriteSet("img/c.dat", false); });
	EXPECT_NE(unloaded.find("Sprite \"one\" not loaded while loading "), std::string::npos) << unloaded;
	EXPECT_FALSE(res->getCompoSpriteSet("c"));
	res->createSpriteSheet("img/s1.dat", false);
	game::CompoSpriteSet* set = res->createCompoSpriteSet("img/c.dat", false);
	EXPECT_EQ(res->findCompoSpriteSet("pair"), set);
	EXPECT_FALSE(res->getSprite("pair"));
	EXPECT_FALSE(res->findSpriteSheet("pair"));
	ASSERT_TRUE(res->getCompoSprite("pair"));
	EXPECT_EQ(res->getSpriteWidth("pair"), res->getCompoSprite("pair")->getWidth());
	bundle.context->clearCalls();
	res->drawSprite("pair", 50, 50, 1000, 1000, Anchor());
	EXPECT_EQ(bundle.context->count("Image.draw"), 2); // unscaled, one draw per part
	EXPECT_EQ(lastDraw(), "data/img/s1.png 10x10");

	// The released sheet's sprites live on in the composite.
	res->releaseSpriteSheet("s1");
	res->drawSprite("pair", 50, 50, Anchor());
	EXPECT_EQ(lastDraw(), "data/img/s1.png 10x10");
	res->releaseCompoSpriteSet("img/c.dat");
	EXPECT_FALSE(res->getCompoSprite("pair"));
}

TEST_F(ResourcesTest, failuresLeaveEverythingAsItWas)
{
	game::SpriteSheet* s1 = res->createSpriteSheet("img/s1.dat", false);
	bundle.write("data/img/s1.dat", "QRX5 broken");
	EXPECT_EQ(message<lang::Exception>([&] { res->createSpriteSheet("img/s1.dat", true); }), "Malformed QRX5 file: data/img/s1.dat");
	EXPECT_EQ(res->getSpriteSheet("s1"), s1);
	EXPECT_EQ(res->getSpriteWidth("one"), 40);

	std::string const missing = message<lang::Exception>([&] { res->createBitmapFont("fonts/none.dat", false); });
	EXPECT_EQ(missing.rfind("Failed to open ", 0), 0u) << missing;
	EXPECT_NE(missing.find("/data/fonts/none.dat with errno "), std::string::npos) << missing;
	EXPECT_NE(message<lang::Exception>([&] { res->createTextGroupSet("loc/none.dat", false); }), "no exception");
	EXPECT_NE(message<lang::Exception>([&] { res->createCompoSpriteSet("none.dat", false); }), "no exception");
	EXPECT_FALSE(res->getFont("none"));
	EXPECT_FALSE(res->getTextGroupSet("none"));
}

TEST_F(ResourcesTest, textsFollowTheLocale)
{
	EXPECT_EQ(res->getString("TEXTS", "HELLO"), "HELLO"); // no such set
	res->createTextGroupSet("loc/TEXTS.dat", false);
	EXPECT_EQ(message<lang::Exception>([&] { res->getString("TEXTS", "HELLO"); }), "Trying to get TextGroup for language which is not loaded. Language: \"en_EN\"");
	res->loadLocale("TEXTS", "en_EN");
	EXPECT_EQ(res->getString("TEXTS", "HELLO"), "Hello");
	EXPECT_EQ(res->getString("TEXTS", "MISSING"), "MISSING");

	// An absent language raises and keeps the texts.
	EXPECT_EQ(message<lang::Exception>([&] { res->loadLocale("TEXTS", "fr_FR"); }), "Trying to load TextGroup for language not present in data file. Language: \"fr_FR\"");
	EXPECT_EQ(res->getString("TEXTS", "HELLO"), "Hello");

	res->loadLocale("TEXTS", "de_DE");
	res->useLocale("de_DE");
	EXPECT_EQ(res->getString("TEXTS", "HELLO"), "Hallo");
	EXPECT_EQ(res->getTextGroupSet("TEXTS")->getTextGroups().size(), 1u);
	res->loadLocale("NOSET", "de_DE");
}

TEST_F(ResourcesTest, currentFontOutlivesItsRelease)
{
	res->createTextGroupSet("loc/TEXTS.dat", false);
	res->loadLocale("TEXTS", "en_EN");
	EXPECT_EQ(message<lang::Exception>([&] { res->drawString("TEXTS", "HELLO", 0, 0, Anchor()); }), "No font is set while trying to draw string");
	EXPECT_EQ(message<lang::Exception>([&] { res->getFontHeight(); }), "No font is set while trying to get font height!");

	game::BitmapFont* font = res->createBitmapFont("img/f.dat", false);
	res->useFont("nofont");
	EXPECT_FALSE(res->getCurrentFont());
	res->useFont("f");
	EXPECT_EQ(res->getCurrentFont(), font);
	res->useFont("nofont");
	EXPECT_EQ(res->getCurrentFont(), font);
	EXPECT_EQ(res->getFontHeight(), res->getFontMaxAscending() + res->getFontMaxDescending());
	EXPECT_EQ(res->getFontLeading(), 3);
	EXPECT_EQ(res->getFontTracking(), 1);

	res->releaseFont("img/f.dat");
	EXPECT_FALSE(res->getFont("f"));
	bundle.context->clearCalls();
	res->drawString("TEXTS", "AB", 10, 10, Anchor());
	EXPECT_EQ(bundle.context->count("Image.draw"), 2);
	EXPECT_EQ(lastDraw(), "data/img/f.png 8x13");
	EXPECT_EQ(res->getStringWidth("AB", 0, 2), font->getStringWidth("AB", 0, 2));
}

TEST_F(ResourcesTest, captureSpriteTwiceReusesTheImage)
{
	res->captureSprite("shot");
	game::SpriteSheet* sheet = res->getSpriteSheet("shot");
	ASSERT_TRUE(sheet);
	gr::Image* image = sheet->getImage();
	EXPECT_EQ(res->getSpriteWidth("shot"), bundle.context->width());
	EXPECT_EQ(res->getSpriteHeight("shot"), bundle.context->height());
	res->captureSprite("shot");
	EXPECT_EQ(res->getSpriteSheet("shot"), sheet);
	EXPECT_EQ(sheet->getImage(), image);
	EXPECT_EQ(bundle.context->count("capture"), 2);
}

TEST_F(ResourcesTest, clipRectGoesToTheRenderState)
{
	EXPECT_EQ(res->getClipRect(), gr::Rect(-10000, -10000, 10000, 10000));
	res->setClipRect(gr::Rect(1, 2, 30, 40));
	EXPECT_EQ(bundle.context->getRenderState2D().clipRect, gr::Rect(1, 2, 30, 40));
}

TEST_F(ResourcesTest, audioNeedsAnOutput)
{
	EXPECT_EQ(message<lang::Exception>([&] { res->createAudio("snd/tone.wav", "tone", true); }), "Trying to create audio but no audio output has been created");
	EXPECT_EQ(message<lang::Exception>([&] { res->playAudio("tone", 1, false, 0); }), "Trying to play audio clip but no audio output has been created");
	EXPECT_EQ(message<lang::Exception>([&] { res->stopAudio("tone"); }), "Trying to stop audio clip but no audio output has been created");
	EXPECT_EQ(message<lang::Exception>([&] { res->stopAllAudio(); }), "Trying to stop all audio clips but no audio output has been created");
	EXPECT_EQ(message<lang::Exception>([&] { res->startAudioOutput(); }), "Trying to start audio output but no audio output has been created");
	EXPECT_EQ(message<lang::Exception>([&] { res->startAudioInput(); }), "Trying to start audio input but no audio input has been created");
	EXPECT_FALSE(res->isAudioPlaying("tone"));
	EXPECT_FALSE(res->isAudioPlaying(1));
	EXPECT_EQ(res->getMasterVolume(), 0.f);
	res->setMasterVolume(0.5f);
	res->stopAudioOutput();
	res->stopAudioInput();
}

TEST_F(ResourcesTest, refusedOutputKeepsThePresentOne)
{
	audio::AudioOutput* output = res->createAudioOutput(MONO16);
	EXPECT_EQ(message<lang::Exception>([&] { res->createAudioOutput(audio::AudioConfiguration{3, 16, 22050}); }), "Unsupported count of channels while creating AudioOutput");
	EXPECT_EQ(res->getAudioOutput(), output);
	audio::AudioInput* input = res->createAudioInput(MONO16);
	EXPECT_NE(message<lang::Exception>([&] { res->createAudioInput(audio::AudioConfiguration{1, 12, 22050}); }), "no exception");
	EXPECT_EQ(res->getAudioInput(), input);
}

/** All PCM bytes of a clip. */
soundgen::Bytes pcmOf(audio::AudioClip* clip)
{
	lang::Ptr<audio::AudioClipCursor> cursor = new audio::AudioClipCursor;
	soundgen::Bytes all, buffer(1000);
	for (int n; (n = clip->getData(buffer.data(), 1000, cursor)) > 0;)
		all.insert(all.end(), buffer.begin(), buffer.begin() + n);
	return all;
}

TEST_F(ResourcesTest, streamedAndDecodedClipsGiveTheSameBytes)
{
	res->createAudioOutput(MONO16);
	for (char const* file : {"snd/tone.wav", "snd/tone.mp3"})
	{
		audio::AudioClip* streamed = res->createAudio(file, "streamed", true);
		audio::AudioClip* decoded = res->createAudio(file, "decoded", false);
		soundgen::Bytes const bytes = pcmOf(decoded);
		EXPECT_GT(bytes.size(), 4000u) << file;
		EXPECT_EQ(pcmOf(streamed), bytes) << file;
		EXPECT_EQ(decoded->channels(), 1) << file;
		EXPECT_EQ(decoded->sampleRate(), 22050) << file;
	}
	EXPECT_NE(message<lang::Exception>([&] { res->createAudio("snd/none.wav", "x", false); }), "no exception");
	EXPECT_FALSE(res->getAudioClip("x"));
}

// A damaged sound file: the message names the file, streamed or decoded.
TEST_F(ResourcesTest, damagedSoundNamesTheFile)
{
	res->createAudioOutput(MONO16);
	soundgen::Bytes const tone = soundgen::wav(soundgen::sine(1, 16, 22050, 441, 440, 0.5), 1, 16, 22050);
	std::string const wav(tone.begin(), tone.end());
	std::string pcmFloat = wav;
	pcmFloat[20] = 3; // the format field of "fmt "
	std::string dataFirst = wav.substr(0, 12) + wav.substr(36) + wav.substr(12, 24);
	struct Case
	{
		char const* what;
		std::string bytes;
		char const* fault;
	};
	Case const cases[] = {
		{"not RIFF", std::string(64, 'x'), "Only RIFF/WAVE"},
		{"too short", "RIFF", "Only RIFF/WAVE"},
		{"not PCM", pcmFloat, "not PCM"},
		{"data before fmt", dataFirst, "Missing fmt chunk"},
		{"fmt cut short", wav.substr(0, 30), "Failed to read"},
		{"MP3 of noise", std::string(5000, '\x55'), "MP3"},
	};
	for (Case const& c : cases)
	{
		for (bool streamed : {true, false})
		{
			bool const mp3 = std::string(c.what).find("MP3") == 0;
			std::string const file = mp3 ? "snd/bad.mp3" : "snd/bad.wav";
			bundle.write("data/" + file, c.bytes);
			std::string const text = message<lang::Exception>([&] { res->createAudio(file, "bad", streamed); });
			EXPECT_NE(text.find(bundle.path("data/" + file)), std::string::npos) << c.what << ": " << text;
			EXPECT_NE(text.find(c.fault), std::string::npos) << c.what << ": " << text;
		}
	}
}

TEST_F(ResourcesTest, playingClipReplacedIsStopped)
{
	res->createAudioOutput(MONO16);
	res->startAudioOutput();
	res->setMasterVolume(0.5f);
	EXPECT_FLOAT_EQ(res->getMasterVolume(), 0.5f);
	audio::AudioClip* first = res->createAudio("snd/tone.wav", "tone", false);
	int const id = res->playAudio("tone", 1, true, 0);
	EXPECT_GE(id, 0);
	EXPECT_TRUE(res->isAudioPlaying("tone"));
	EXPECT_TRUE(res->isAudioPlaying(id));
	EXPECT_EQ(res->playAudio("none", 1, false, 0), -1);

	lang::Ptr<audio::AudioClip> held = first;
	res->createAudio("snd/tone.wav", "tone", true);
	EXPECT_NE(res->getAudioClip("tone"), first);
	EXPECT_FALSE(res->getAudioOutput()->isClipPlaying(first));

	// A composite of stored clips; none at all is refused.
	res->createCompositeAudio("both", {res->getAudioClip("tone"), held});
	EXPECT_GE(res->playAudio("both", 1, false, 1), 0);
	res->stopAudio("both");
	res->stopAudio("unknown");
	EXPECT_EQ(message<lang::Exception>([&] { res->createCompositeAudio("none", {}); }), "A composite audio clip needs at least one clip");
	EXPECT_FALSE(res->getAudioClip("none"));
	res->stopAllAudio();
	res->stopAudioOutput();
}

} // namespace
