// A page-engine plugin that opens but makes no engine.
#include <pf/linux/PagePlugin.h>

extern "C"
{

__attribute__((visibility("default"))) pf::PageEngine* engCreatePageEngine(int, int, int, int)
{
	return nullptr;
}

__attribute__((visibility("default"))) void engTurnPageLoop()
{
}

} // extern "C"
