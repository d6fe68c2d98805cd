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
	/** Ticks to run before a normal termination; -1: headless 120, a window until closed. */
	int frames = -1;
	/** Seconds of virtual time between frames (headless); < 0: frame interval / 60. */
	double frameTime = -1;
	/** Frames to capture, by number from 1. */
	std::vector<int> screenshots;
	/** Folder of the captures ("frame-0060.png"). */
	std::string out = ".";
	/** Screen size in points (portrait order by default). */
	int screenWidth = 768;
	int screenHeight = 1024;
	/** --screen was given: its size goes over the one the application's configure asks for. */
	bool screenGiven = false;
	/** Bundle folder (empty: the default). */
	std::string data;
	/** App-data folder (empty: the default). */
	std::string saveDir;
	/** Scripted input file (empty: none). */
	std::string events;
	/** Address the application is opened with (empty: none). */
	std::string url;
	/** Local notification that launches the application (empty: none). */
	std::string notification;
	/** --help was given. */
	bool help = false;

	/**
	 * Parses the flags after the program name.
	 * @exception lang::Exception A message naming the bad flag or value.
	 */
	static ShellOptions parse(int argc, char const* const* argv);

	/** The usage text, for program. */
	static std::string usage(std::string const& program);
};

} // framework
