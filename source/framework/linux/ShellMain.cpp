#include "Shell.h"

namespace framework
{

int shellMain(int argc, char** argv)
{
	return runShell(argc, argv, &configure, &init);
}

} // framework
