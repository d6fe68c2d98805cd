#pragma once

#include <string>
#include <vector>

namespace framework
{

/** The shell's command line. */
struct ShellOptions
{
	/** Run without a window even where a display exists. */
	bool headless = false;
	/** A window is asked for: without a display the run ends at start. */
	bool window = false;
	/** Ticks to run before a normal termination; -1: headless 120, a window until closed. */
	int frames = -1;
	/** Seconds of virtual time between frames (headless); < 0: frame interval / 60. */
	double frameTime = -1;
	/** Frames to capture, by number from 1. */
	std::vector<int> screenshots;
	/** Folder of the captures ("frame-0060.png"). */
	std::string out = ".";
	/**
	 * Screen size in points, as --screen gives it: the frames are this wide
	 * and this high whatever orientation the application draws in.
	 */
	int screenWidth = 768;
	int screenHeight = 1024;
	/** --screen was given: its size goes over the one the application's configure asks for. */
	bool screenGiven = false;
	/** Bundle folder (empty: the default). */
	std::string data;
	/** App-data folder (empty: the default). */
	std::string saveDir;
	/** Headless: wave file of the sound, mixed on the run's clock (empty: none). */
	std::string sound;
	/** Scripted input file (empty: none). */
	std::string events;
	/** Address the application is opened with (empty: none). */
	std::string url;
	/** Local notification that launches the application (empty: none). */
	std::string notification;
	/** --help or -h was given (in place of a flag, not as a value): nothing else is read. */
	bool help = false;
	/** --verbose was given: the log's debug lines show. */
	bool verbose = false;

	/**
	 * Parses the flags after the program name.
	 * @exception lang::Exception A message naming the bad flag or value.
	 */
	static ShellOptions parse(int argc, char const* const* argv);

	/**
	 * The last frame a run of these options captures: --frames when given,
	 * else 120 headless; -1 in a window without --frames (it runs until
	 * closed).
	 */
	int lastFrame(bool window) const;

	/**
	 * The message for the --screenshot frames past lastFrame(window) ("" when
	 * there are none): they could never be taken.
	 */
	std::string screenshotsPastEnd(bool window) const;

	/** The usage text, for program. */
	static std::string usage(std::string const& program);
};

} // framework
