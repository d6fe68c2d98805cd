#include "SdlKeys.h"

namespace framework
{

App::KeyType sdlKey(SDL_Keycode key)
{
	if (key >= SDLK_a && key <= SDLK_z)
		return App::KeyType(App::A + (key - SDLK_a));
	if (key >= SDLK_0 && key <= SDLK_9)
		return App::KeyType(App::KEY_0 + (key - SDLK_0));
	if (key >= SDLK_F1 && key <= SDLK_F12)
		return App::KeyType(App::F1 + (key - SDLK_F1));
	switch (key)
	{
	case SDLK_PAGEDOWN: return App::PAGEDOWN;
	case SDLK_PAGEUP: return App::PAGEUP;
	case SDLK_HOME: return App::HOME;
	case SDLK_END: return App::END;
	case SDLK_INSERT: return App::INSERT;
	case SDLK_DELETE: return App::DELETE;
	case SDLK_RETURN: return App::RETURN;
	case SDLK_LSHIFT:
	case SDLK_RSHIFT: return App::SHIFT;
	case SDLK_LCTRL:
	case SDLK_RCTRL: return App::CONTROL;
	case SDLK_TAB: return App::TAB;
	case SDLK_SPACE: return App::SPACE;
	case SDLK_BACKSPACE: return App::BACKSPACE;
	case SDLK_PAUSE: return App::PAUSE;
	case SDLK_ESCAPE: return App::ESCAPE;
	case SDLK_LEFT: return App::LEFT;
	case SDLK_RIGHT: return App::RIGHT;
	case SDLK_UP: return App::UP;
	case SDLK_DOWN: return App::DOWN;
	case SDLK_KP_MULTIPLY: return App::MULTIPLY;
	case SDLK_KP_PLUS: return App::ADD;
	case SDLK_KP_MINUS: return App::SUBTRACT;
	case SDLK_KP_DIVIDE: return App::DIVIDE;
	case SDLK_ASTERISK: return App::ASTERISK;
	case SDLK_HASH: return App::HASH;
	case SDLK_CLEAR: return App::CLEAR;
	case SDLK_VOLUMEUP: return App::VOLUME_UP;
	case SDLK_VOLUMEDOWN: return App::VOLUME_DOWN;
	case SDLK_AC_BACK: return App::KEY_BACK;
	case SDLK_MENU: return App::KEY_MENU;
	case SDLK_LALT:
	case SDLK_RALT: return App::KEY_ALT;
	case SDLK_MINUS: return App::DASH;
	default: return App::NONE;
	}
}

} // framework
