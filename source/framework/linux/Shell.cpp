#include "Shell.h"
#include "EventScript.h"
#include "HeadlessHost.h"
#include "SdlHost.h"
#include "ShellOptions.h"
#include "StartReport.h"
#include "StopSignals.h"
#include <lang/Debug.h>
#include <lang/Throwable.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <sys/stat.h>

namespace framework
{

namespace
{

/** Why the headless run's wave file cannot be written ("" when it can); tries without leaving a file. */
std::string soundFileProblem(std::string const& path)
{
	struct stat st;
	bool const existed = stat(path.c_str(), &st) == 0;
	if (existed && S_ISDIR(st.st_mode))
		return "it is a folder";
	FILE* file = std::fopen(path.c_str(), "ab");
	if (!file)
		return std::strerror(errno);
	std::fclose(file);
	if (!existed)
		std::remove(path.c_str());
	return "";
}

} // namespace

int runShell(int argc, char** argv, ConfigureHook configure, InitHook init)
{
	StartReport::shellStarts();
	std::string const program = argc > 0 && argv[0] ? argv[0] : "shell";
	ShellOptions options;
	try
	{
		options = ShellOptions::parse(argc, argv);
	}
	catch (lang::Throwable const& e)
	{
		std::fprintf(stderr, "%s: %s\n", program.c_str(), e.getMessage().format().c_str());
		std::fputs(ShellOptions::usage(program).c_str(), stderr);
		return 2;
	}
	if (options.help)
	{
		std::fputs(ShellOptions::usage(program).c_str(), stdout);
		return 0;
	}
	if (options.verbose)
	{
		// The scripts read the switch from the environment.
		setenv("ENGINE_VERBOSE", "1", 1);
		lang::Debug::setVerbose(true);
	}
	std::vector<ShellEvent> events;
	try
	{
		if (!options.events.empty())
			events = EventScript::load(options.events);
	}
	catch (lang::Throwable const& e)
	{
		// The file's own message (file, line, what is wrong) says it all.
		std::fprintf(stderr, "%s: %s\n", program.c_str(), e.getMessage().format().c_str());
		return 2;
	}

	StopSignals::install();
	// Starting SDL's video loads the GL library: part of the GL context.
	// Without a display (nothing in the environment asks for one) the run
	// is headless; one asked for, by --window or the environment, that
	// cannot be had ends the run here rather than running it unseen.
	bool window = false;
	if (!options.headless && (options.window || SdlHost::displayAsked()))
	{
		StartReport::glBegins();
		window = SdlHost::displayAvailable();
		StartReport::glMade();
		if (!window)
		{
			std::fprintf(stderr, "%s: no window: %s\n", program.c_str(), SdlHost::displayProblem().c_str());
			return 1;
		}
	}
	std::string const late = options.screenshotsPastEnd(window);
	if (!late.empty())
	{
		std::fprintf(stderr, "%s: %s\n", program.c_str(), late.c_str());
		return 1;
	}
	std::string const soundProblem = window || options.sound.empty() ? "" : soundFileProblem(options.sound);
	if (!soundProblem.empty())
	{
		std::fprintf(stderr, "%s: --sound %s: cannot be written: %s\n", program.c_str(), options.sound.c_str(), soundProblem.c_str());
		return 1;
	}
	if (window)
	{
		SdlHost host(options, configure, init);
		return host.run(events);
	}
	HeadlessHost host(options, configure, init);
	return host.run(events);
}

} // framework
