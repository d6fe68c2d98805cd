#include "Shell.h"
#include "EventScript.h"
#include "HeadlessHost.h"
#include "SdlHost.h"
#include "ShellOptions.h"
#include "StartReport.h"
#include "StopSignals.h"
#include <lang/Throwable.h>
#include <cstdio>
#include <vector>

namespace framework
{

int runShell(int argc, char** argv, ConfigureHook configure, InitHook init)
{
	StartReport::shellStarts();
	std::string const program = argc > 0 && argv[0] ? argv[0] : "shell";
	ShellOptions options;
	std::vector<ShellEvent> events;
	try
	{
		options = ShellOptions::parse(argc, argv);
		if (options.help)
		{
			std::fputs(ShellOptions::usage(program).c_str(), stdout);
			return 0;
		}
		if (!options.events.empty())
			events = EventScript::load(options.events);
	}
	catch (lang::Throwable const& e)
	{
		std::fprintf(stderr, "%s: %s\n", program.c_str(), e.getMessage().format().c_str());
		if (options.events.empty() || events.empty())
			std::fputs(ShellOptions::usage(program).c_str(), stderr);
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
	if (window)
	{
		SdlHost host(options, configure, init);
		return host.run(events);
	}
	HeadlessHost host(options, configure, init);
	return host.run(events);
}

} // framework
