#pragma once

#include <framework/App.h>
#include <SDL2/SDL_keycode.h>

namespace framework
{

/**
 * The application key for an SDL key: letters, digits, function and
 * cursor keys, the editing keys and modifiers by name (either shift is
 * SHIFT, either control CONTROL, either alt KEY_ALT), the keypad's
 * operators, "-" as DASH, the application back key as KEY_BACK. NONE for
 * any other key.
 */
App::KeyType sdlKey(SDL_Keycode key);

} // framework
