#include <support/ShellFixture.h>
#include <support/TempFolder.h>
#include <framework/linux/EventScript.h>
#include <framework/linux/Shell.h>
#include <framework/linux/ShellOptions.h>
#include <lang/Throwable.h>
#include <gtest/gtest.h>
#include <filesystem>
#include <random>

namespace
{

using framework::App;
using framework::EventScript;
using framework::ShellEvent;
using Lines = std::vector<std::string>;

std::string parseError(std::string const& text)
{
	try
	{
		EventScript::parse(text, "drag.events");
	}
	catch (lang::Throwable const& e)
	{
		return e.getMessage().format();
	}
	return "";
}

TEST(HeadlessHostEvents, ReadsEveryKind)
{
	std::vector<ShellEvent> const e = EventScript::parse(
		"# a comment\n"
		"0 touch-begin 1 10 -20\n"
		"\n"
		"3\ttouch-move  -2147483648 0 0\r\n"
		"3 touch-end 1 2 3\n"
		"4 touch-cancel 7 8 9\n"
		"5 key-down KEY_ALT\n"
		"5 key-up 0\n"
		"6 wheel -2\n"
		"7 resize 100 80\n"
		"8 deactivate\n"
		"9 activate\n"
		"10 url game://a b\n"
		"11 notification daily bonus\n"
		"12 clock -0.5",
		"x");
	ASSERT_EQ(e.size(), 13u);
	EXPECT_EQ(e[0].kind, ShellEvent::TOUCH_BEGIN);
	EXPECT_EQ(e[0].c, -20);
	EXPECT_EQ(e[1].tick, 3);
	EXPECT_EQ(e[1].a, INT32_MIN);
	EXPECT_EQ(e[3].kind, ShellEvent::TOUCH_CANCEL);
	EXPECT_EQ(e[4].key, App::KEY_ALT);
	EXPECT_EQ(e[5].key, App::KEY_0);
	EXPECT_EQ(e[6].a, -2);
	EXPECT_EQ(e[7].kind, ShellEvent::RESIZE);
	EXPECT_EQ(e[7].b, 80);
	EXPECT_EQ(e[8].kind, ShellEvent::DEACTIVATE);
	EXPECT_EQ(e[10].text, "game://a b");
	EXPECT_EQ(e[11].text, "daily bonus");
	EXPECT_EQ(e[12].seconds, -0.5);
}

TEST(HeadlessHostEvents, MalformedLinesNameFileAndLine)
{
	struct Case
	{
		char const* text;
		char const* message;
	};
	Case const cases[] = {
		{"1 jump", "drag.events:1: unknown event \"jump\""},
		{"0 activate\n\n2 key-down ENTER", "drag.events:3: unknown key \"ENTER\""},
		{"x activate", "drag.events:1: bad tick \"x\""},
		{"-1 activate", "drag.events:1: bad tick \"-1\""},
		{"5 activate\n4 activate", "drag.events:2: tick 4 goes back (after 5)"},
		{"1 touch-begin 1 2", "drag.events:1: missing y"},
		{"1 touch-begin 1 2 3.5", "drag.events:1: bad y \"3.5\""},
		{"1 touch-begin 2147483648 2 3", "drag.events:1: bad touch identity \"2147483648\""},
		{"1 touch-end 1 2 3 4", "drag.events:1: unexpected \"4\""},
		{"1 wheel", "drag.events:1: missing wheel steps"},
		{"1 resize 10 x", "drag.events:1: bad height \"x\""},
		{"1 clock nan", "drag.events:1: bad seconds \"nan\""},
		{"1 clock 1e300", "drag.events:1: seconds out of range \"1e300\""},
		{"1 url", "drag.events:1: missing address"},
		{"1 notification  ", "drag.events:1: missing event name"},
		{"1", "drag.events:1: missing event"},
		{"1 deactivate now", "drag.events:1: unexpected \"now\""},
		{"99999999999 activate", "drag.events:1: bad tick \"99999999999\""},
	};
	for (Case const& c : cases)
		EXPECT_EQ(parseError(c.text), c.message) << c.text;
	// A NUL byte inside a line.
	EXPECT_EQ(parseError(std::string("1 activ\0ate", 11)), "drag.events:1: a NUL byte in the line");
}

// Every truncation and seeded byte flips of a valid script: parsed, or refused
// with a message that names the file, never a crash.
TEST(HeadlessHostEvents, MutatedScriptsParseOrFailCleanly)
{
	std::string const script =
		"0 touch-begin 1 100 200\n1 touch-move 1 110 205\n2 key-down SPACE\n3 key-up SPACE\n"
		"4 wheel 3\n5 resize 640 480\n6 deactivate\n7 activate\n8 url game://x?y=1\n"
		"9 notification bonus\n10 clock -0.25\n11 touch-end 1 120 210\n";
	auto check = [](std::string const& text) {
		try
		{
			EventScript::parse(text, "m.events");
		}
		catch (lang::Throwable const& e)
		{
			std::string const m = e.getMessage().format();
			EXPECT_EQ(m.rfind("m.events:", 0), 0u) << m;
		}
	};
	testing::internal::CaptureStdout(); // each exception says it was made
	for (size_t n = 0; n <= script.size(); ++n)
		check(script.substr(0, n));
	std::mt19937 rng(1234);
	for (int round = 0; round < 3000; ++round)
	{
		std::string text = script;
		int const flips = 1 + int(rng() % 4);
		for (int f = 0; f < flips; ++f)
			text[rng() % text.size()] = char(rng() % 256);
		check(text);
	}
	testing::internal::GetCapturedStdout();
}

TEST(HeadlessHostEvents, UnreadableFile)
{
	try
	{
		EventScript::load("/nonexistent/drag.events");
		FAIL();
	}
	catch (lang::Throwable const& e)
	{
		EXPECT_EQ(e.getMessage().format().rfind("/nonexistent/drag.events: cannot be read", 0), 0u);
	}
}

class HeadlessHostRun : public test::ShellFixture
{
};

TEST_F(HeadlessHostRun, ScriptedRunWithScreenshots)
{
	test::TempFolder out;
	options.frames = 10;
	options.screenshots = {1, 4, 10, 11};
	options.out = out.path() + "/shots";
	create();
	std::vector<ShellEvent> const events = EventScript::parse(
		"0 touch-begin 1 5 6\n2 touch-move 1 7 8\n4 touch-end 1 9 10\n20 key-down A\n", "drag");
	testing::internal::CaptureStdout();
	int const status = host->run(events);
	testing::internal::GetCapturedStdout();
	EXPECT_EQ(status, 0);
	EXPECT_EQ(host->ticks(), 10);
	for (char const* name : {"frame-0001.png", "frame-0004.png", "frame-0010.png"})
		EXPECT_TRUE(std::filesystem::exists(out.path() + "/shots/" + name)) << name;
	EXPECT_FALSE(std::filesystem::exists(out.path() + "/shots/frame-0011.png"));
	std::string const png = out.read("shots/frame-0004.png");
	ASSERT_GT(png.size(), 24u);
	EXPECT_EQ(png.substr(1, 3), "PNG");
	// Width and height in the header: the context's 64 x 48.
	EXPECT_EQ(static_cast<unsigned char>(png[19]), 64);
	EXPECT_EQ(static_cast<unsigned char>(png[23]), 48);

	Lines touches;
	for (std::string const& l : log)
		if (l.rfind("touch", 0) == 0 || l.rfind("key", 0) == 0)
			touches.push_back(l);
	EXPECT_EQ(touches, (Lines{"touchCancel", "touchBegan 1 5 6", "keyDown LBUTTON", "touchMoved 1 7 8", "touchEnded 1 9 10",
		"keyUp LBUTTON", "touchCancel"}));
}

// The shell's command line, through a configure and init of this file.
std::vector<std::string>* g_log = nullptr;

void configureHook(App::Configuration& c, framework::OSInterface&)
{
	c.renderers = {1};
}

App* initHook(framework::OSInterface* os, gr::Context*)
{
	return new test::RecordingApp(os, g_log);
}

int runShell(std::vector<std::string> args, std::string* err = nullptr)
{
	args.insert(args.begin(), "shell");
	std::vector<char*> argv;
	for (std::string& a : args)
		argv.push_back(a.data());
	testing::internal::CaptureStdout();
	testing::internal::CaptureStderr();
	int const status = framework::runShell(int(argv.size()), argv.data(), &configureHook, &initHook);
	testing::internal::GetCapturedStdout();
	std::string const e = testing::internal::GetCapturedStderr();
	if (err)
		*err = e;
	return status;
}

TEST(HeadlessHostFlags, BadFlagsGiveUsageAndTwo)
{
	struct Case
	{
		std::vector<std::string> args;
		char const* message;
	};
	Case const cases[] = {
		{{"--frobnicate"}, "unknown flag \"--frobnicate\""},
		{{"--frames"}, "--frames: missing value"},
		{{"--frames", "-1"}, "--frames: bad number \"-1\""},
		{{"--frames", "12x"}, "--frames: bad number \"12x\""},
		{{"--frame-time", "inf"}, "--frame-time: bad number of seconds \"inf\""},
		{{"--screenshot", "1,,3"}, "--screenshot: bad number \"\""},
		{{"--screenshot", "0"}, "--screenshot: bad number \"0\""},
		{{"--screen", "800"}, "--screen: expected WxH, got \"800\""},
		{{"--screen", "0x10"}, "--screen: bad number \"0\""},
		{{"--out", ""}, "--out: empty value"},
	};
	for (Case const& c : cases)
	{
		std::string err;
		EXPECT_EQ(runShell(c.args, &err), 2) << c.message;
		EXPECT_NE(err.find(c.message), std::string::npos) << err;
		EXPECT_NE(err.find("usage: shell"), std::string::npos) << err;
	}
}

TEST(HeadlessHostFlags, MalformedEventsFileGivesTwo)
{
	test::TempFolder dir;
	dir.write("bad.events", "0 activate\n1 touch-begin 1 2\n");
	std::string err;
	EXPECT_EQ(runShell({"--headless", "--events", dir / "bad.events"}, &err), 2);
	EXPECT_NE(err.find(dir / "bad.events" + ":2: missing y"), std::string::npos) << err;
	EXPECT_EQ(err.find("usage"), std::string::npos) << "the file's message says it all: " << err;
}

// --help or -h in place of a flag asks for the usage, whatever else the line
// holds; as a flag's value it is that value.
TEST(HeadlessHostFlags, HelpAnywhereGivesTheUsage)
{
	std::vector<std::vector<std::string>> const asks = {{"--help"}, {"-h"}, {"--frobnicate", "--help"}, {"--frames", "x", "-h"}};
	for (std::vector<std::string> const& args : asks)
	{
		std::vector<char const*> argv = {"shell"};
		for (std::string const& a : args)
			argv.push_back(a.c_str());
		EXPECT_TRUE(framework::ShellOptions::parse(int(argv.size()), argv.data()).help) << args.back();
	}
	char const* const value[] = {"shell", "--url", "--help", "--events", "-h"};
	framework::ShellOptions const o = framework::ShellOptions::parse(5, value);
	EXPECT_FALSE(o.help);
	EXPECT_EQ("--help", o.url);
	EXPECT_EQ("-h", o.events);
}

// A frame that the run would never reach is refused before the launch.
TEST(HeadlessHostFlags, AScreenshotPastTheLastFrameGivesOneBeforeTheLaunch)
{
	std::vector<std::string> log;
	g_log = &log;
	struct Case
	{
		std::vector<std::string> args;
		char const* message;
	} const cases[] = {
		{{"--headless", "--frames", "5", "--screenshot", "1,6"}, "--screenshot 6: past the last frame of the run (5)"},
		{{"--headless", "--screenshot", "120,121,500"}, "--screenshot 121, 500: past the last frame of the run (120)"},
	};
	for (Case const& c : cases)
	{
		std::string err;
		EXPECT_EQ(runShell(c.args, &err), 1) << c.message;
		EXPECT_NE(err.find(c.message), std::string::npos) << err;
	}
	EXPECT_TRUE(log.empty()) << log.front();
	g_log = nullptr;
}

// A headless run's wave file that cannot be written is refused before the
// launch, naming it and why; a file that can be is not left behind by the check.
TEST(HeadlessHostFlags, ASoundFileThatCannotBeWrittenGivesOneBeforeTheLaunch)
{
	test::TempFolder dir;
	std::filesystem::create_directory(dir / "folder");
	struct Case
	{
		std::string file;
		std::string message;
	} const cases[] = {
		{dir / "missing/sound.wav", "--sound " + dir / "missing/sound.wav" + ": cannot be written: No such file or directory"},
		{dir / "folder", "--sound " + dir / "folder" + ": cannot be written: it is a folder"},
	};
	for (Case const& c : cases)
	{
		std::string err;
		EXPECT_EQ(runShell({"--headless", "--frames", "1", "--sound", c.file}, &err), 1) << c.message;
		EXPECT_NE(err.find(c.message), std::string::npos) << err;
	}
	EXPECT_EQ(runShell({"--headless", "--frames", "1", "--sound", dir / "sound.wav", "--save-dir", dir / "saves"}), 0);
	EXPECT_FALSE(std::filesystem::exists(dir / "sound.wav")) << "no output made, no file";
}

TEST(HeadlessHostFlags, RunsTheGivenTicks)
{
	std::vector<std::string> log;
	g_log = &log;
	test::TempFolder dir;
	dir.write("quit.events", "2 key-down Q\n");
	EXPECT_EQ(runShell({"--headless", "--frames", "5", "--events", dir / "quit.events", "--save-dir", dir / "saves"}), 0);
	int updates = 0;
	for (std::string const& l : log)
		updates += l == "update 3";
	EXPECT_EQ(updates, 5);
	EXPECT_EQ(log.back(), "destroyed");
	g_log = nullptr;
}

} // namespace
