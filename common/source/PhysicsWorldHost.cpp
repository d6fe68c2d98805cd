// The host's rolling sound levels.
#include <GameLua.h>

float GameLua::rollingLevel(int material) const
{
	return material >= 1 && material <= 3 ? m_rollingLevel[material - 1] : 0.f;
}

int GameLua::rollingClip(int material) const
{
	return material >= 1 && material <= 3 ? m_rollingClip[material - 1] : -1;
}

