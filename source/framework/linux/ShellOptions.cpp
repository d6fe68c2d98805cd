#include "ShellOptions.h"
#include <lang/Exception.h>
#include <lang/Format.h>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace framework
{

namespace
{

[[noreturn]] void bad(std::string const& what)
{
	lang::throwError(lang::Exception(lang::Format("{0}", what)));
}

int wholeNumber(std::string const& flag, std::string const& text, int lo)
{
	char* end = nullptr;
	errno = 0;
	long v = std::strtol(text.c_str(), &end, 10);
	if (text.empty() || *end != 0 || errno == ERANGE || v < lo || v > 1000000000L)
		bad(flag + ": bad number \"" + text + "\"");
	return int(v);
}

} // namespace

ShellOptions ShellOptions::parse(int argc, char const* const* argv)
{
	static char const* const withValue[] = {"--frames", "--frame-time", "--screenshot", "--out", "--screen", "--data",
		"--save-dir", "--events", "--url", "--notification", "--sound"};
	auto takesValue = [](std::string const& flag) {
		for (char const* f : withValue)
		{
			if (flag == f)
				return true;
		}
		return false;
	};
	ShellOptions o;
	// --help anywhere asks for the usage, whatever else is wrong.
	for (int i = 1; i < argc; ++i)
	{
		std::string const flag = argv[i];
		if (flag == "--help" || flag == "-h")
		{
			o.help = true;
			return o;
		}
		if (takesValue(flag))
			++i;
	}
	for (int i = 1; i < argc; ++i)
	{
		std::string const flag = argv[i];
		if (flag == "--headless")
		{
			o.headless = true;
			continue;
		}
		if (flag == "--window")
		{
			o.window = true;
			continue;
		}
		if (flag == "--verbose")
		{
			o.verbose = true;
			continue;
		}
		if (!takesValue(flag))
			bad("unknown flag \"" + flag + "\"");
		if (i + 1 >= argc)
			bad(flag + ": missing value");
		std::string const value = argv[++i];

		if (flag == "--frames")
			o.frames = wholeNumber(flag, value, 0);
		else if (flag == "--frame-time")
		{
			char* end = nullptr;
			double v = std::strtod(value.c_str(), &end);
			if (value.empty() || *end != 0 || !std::isfinite(v) || v < 0 || v > 3600)
				bad(flag + ": bad number of seconds \"" + value + "\"");
			o.frameTime = v;
		}
		else if (flag == "--screenshot")
		{
			o.screenshots.clear();
			size_t pos = 0;
			while (pos <= value.size())
			{
				size_t comma = value.find(',', pos);
				if (comma == std::string::npos)
					comma = value.size();
				o.screenshots.push_back(wholeNumber(flag, value.substr(pos, comma - pos), 1));
				pos = comma + 1;
			}
		}
		else if (flag == "--screen")
		{
			size_t x = value.find('x');
			if (x == std::string::npos)
				bad(flag + ": expected WxH, got \"" + value + "\"");
			o.screenWidth = wholeNumber(flag, value.substr(0, x), 1);
			o.screenHeight = wholeNumber(flag, value.substr(x + 1), 1);
			if (o.screenWidth > 16384 || o.screenHeight > 16384)
				bad(flag + ": size too large \"" + value + "\"");
			o.screenGiven = true;
		}
		else if (value.empty())
			bad(flag + ": empty value");
		else if (flag == "--out")
			o.out = value;
		else if (flag == "--data")
			o.data = value;
		else if (flag == "--save-dir")
			o.saveDir = value;
		else if (flag == "--events")
			o.events = value;
		else if (flag == "--url")
			o.url = value;
		else if (flag == "--notification")
			o.notification = value;
		else if (flag == "--sound")
			o.sound = value;
	}
	if (o.headless && o.window)
		bad("--headless and --window: one or the other");
	return o;
}

int ShellOptions::lastFrame(bool window) const
{
	if (frames >= 0)
		return frames;
	return window ? -1 : 120;
}

std::string ShellOptions::screenshotsPastEnd(bool window) const
{
	int const last = lastFrame(window);
	if (last < 0)
		return "";
	std::string late;
	for (int frame : screenshots)
	{
		if (frame > last)
			late += (late.empty() ? "" : ", ") + std::to_string(frame);
	}
	if (late.empty())
		return "";
	return "--screenshot " + late + ": past the last frame of the run (" + std::to_string(last) + ")";
}

std::string ShellOptions::usage(std::string const& program)
{
	return "usage: " + program + " [flags]\n"
		"  --headless            no window, even where a display exists\n"
		"  --window              a window: without a display the run ends at start\n"
		"  --frames N            run N ticks, then end (headless default 120)\n"
		"  --frame-time S        seconds between frames on the headless clock\n"
		"                        (default: frame interval / 60)\n"
		"  --screenshot A,B,...  capture these frames (numbered from 1)\n"
		"  --out DIR             folder of the captures, frame-NNNN.png (default .)\n"
		"  --screen WxH          screen size: window and frames W wide and H high,\n"
		"                        whatever orientation the application draws in\n"
		"                        (default: the application's own size)\n"
		"  --data DIR            folder of the shipped data\n"
		"  --save-dir DIR        folder of the saves\n"
		"  --events FILE         scripted input, one event per line\n"
		"  --sound FILE          headless: write the sound, mixed on the run's own\n"
		"                        clock (as long as the frames' time), to this wave file\n"
		"  --url TEXT            open the application with this address\n"
		"  --notification NAME   launch from the local notification NAME\n"
		"  --verbose             show the log's debug lines too (as ENGINE_VERBOSE=1)\n"
		"  -h, --help            this text\n";
}

} // framework
