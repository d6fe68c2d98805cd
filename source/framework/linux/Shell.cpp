#include "Shell.h"
#include "EventScript.h"
#include "HeadlessHost.h"
#include "SdlHost.h"
#include "ShellOptions.h"
#include "StartReport.h"
#include "StopSignals.h"
#include <lang/Debug.h>
#include <lang/Throwable.h>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace framework
{

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
	bool window = false;
	if (!options.headless)
	{
		StartReport::glBegins();
		window = SdlHost::displayAvailable();
		StartReport::glMade();
	}
	std::string const late = options.screenshotsPastEnd(window);
	if (!late.empty())
	{
		std::fprintf(stderr, "%s: %s\n", program.c_str(), late.c_str());
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
