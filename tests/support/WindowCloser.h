#pragma once

#include <sys/types.h>

namespace test
{

/**
 * Destroys the top-level windows of process pid on the X display of
 * DISPLAY (found by their _NET_WM_PID), as a window manager or a window
 * tool destroying a client's window would; gives how many. 0 without a
 * display.
 */
int destroyWindowsOf(pid_t pid);

} // test
