#pragma once

#include <framework/App.h>
#include <string>

namespace framework
{

/**
 * One line of scripted input (the --events file): what happens and at
 * which tick. Events of tick t reach the shell before the frame of tick t;
 * tick 0 is right after the launch and the first activation.
 */
struct ShellEvent
{
	enum Kind
	{
		TOUCH_BEGIN,
		TOUCH_MOVE,
		TOUCH_END,
		TOUCH_CANCEL,
		KEY_DOWN,
		KEY_UP,
		WHEEL,
		RESIZE,
		DEACTIVATE,
		ACTIVATE,
		URL,
		NOTIFICATION,
		CLOCK,
	};

	int tick = 0;
	Kind kind = ACTIVATE;
	/** Touch identity (touches), wheel steps (WHEEL), width (RESIZE). */
	int32_t a = 0;
	/** Touch x in points; height (RESIZE). */
	int32_t b = 0;
	/** Touch y in points. */
	int32_t c = 0;
	App::KeyType key = App::NONE;
	/** The address (URL) or event name (NOTIFICATION). */
	std::string text;
	/** Seconds the clock moves (CLOCK; may be negative). */
	double seconds = 0;
};

} // framework
