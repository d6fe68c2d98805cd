#pragma once

#include <pf/PageEngine.h>

namespace pf
{

/** The file of the page-engine plugin, which shows web pages with WebKitGTK. */
char const* const PAGE_PLUGIN = "libeng_pf_linux_webkit.so";

} // pf

extern "C"
{
/** The page-engine plugin's maker: a new engine over the rectangle, which the caller owns. */
typedef pf::PageEngine* (*EngCreatePageEngine)(int x, int y, int width, int height);
/** Runs the plugin's pending page events without waiting. */
typedef void (*EngTurnPageLoop)();
}
