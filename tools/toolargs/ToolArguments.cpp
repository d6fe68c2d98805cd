#include "ToolArguments.h"
#include <cstdio>
#include <cstring>
#include <string>

namespace toolargs
{

int checkArguments(int argc, char const* const* argv, int least, int most, char const* usage)
{
	char const* program = argc > 0 && argv[0] ? argv[0] : "tool";
	if (char const* slash = std::strrchr(program, '/'))
		program = slash + 1;
	for (int i = 1; i < argc; ++i)
	{
		if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
		{
			std::fputs(usage, stdout);
			return 0;
		}
	}
	std::string problem;
	for (int i = 1; i < argc && problem.empty(); ++i)
	{
		if (argv[i][0] == '-' && argv[i][1] != 0)
			problem = std::string("unknown flag \"") + argv[i] + "\"";
	}
	int const given = argc > 0 ? argc - 1 : 0;
	if (problem.empty() && (given < least || given > most))
		problem = given < least ? "too few arguments" : "too many arguments";
	if (problem.empty())
		return -1;
	std::fprintf(stderr, "%s: %s\n", program, problem.c_str());
	std::fputs(usage, stderr);
	return 2;
}

} // toolargs
