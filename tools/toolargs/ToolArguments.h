#pragma once

namespace toolargs
{

/**
 * Reads a small tool's command line before its own work. "--help" or "-h"
 * anywhere prints the usage to standard output and gives 0. Another
 * argument that starts with "-" (a flag the tool does not know; "-" alone
 * is a name) or a count of the other arguments outside [least, most]
 * prints what is wrong and the usage to standard error and gives 2.
 * @param usage The usage text, ending with a newline.
 * @return -1 when the tool should run, else the exit status to end with.
 */
int checkArguments(int argc, char const* const* argv, int least, int most, char const* usage);

} // toolargs
