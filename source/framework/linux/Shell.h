#pragma once

#include <framework/Hooks.h>

namespace framework
{

/**
 * The shell's process body with the given hooks: parses the flags (bad
 * ones print the usage and give 2), reads the events file (a malformed
 * one prints its message and gives 2), picks a window where a display
 * exists unless --headless, refuses a --screenshot frame past the run's
 * last frame (message naming it, status 1) and, headless, a --sound file
 * that cannot be written (message naming it and why, status 1), runs and
 * returns the exit
 * status. --verbose turns on the log's debug lines (lang::Debug). SIGINT, SIGTERM and SIGHUP end the
 * run normally (StopSignals). With ENGINE_START_REPORT set, the start's
 * times go to stderr after the first frame (StartReport).
 */
int runShell(int argc, char** argv, ConfigureHook configure, InitHook init);

} // framework
