#pragma once

#include <string>

namespace game
{
class Resources;
}

namespace host
{

/**
 * The sheets that a look-up of a plain sprite by name searches (every sheet
 * the resources hold), as a line of the log names them when a sprite is
 * missing: "the sheets searched: <key>, <key>", or "no sprite sheet is
 * loaded".
 */
std::string sheetsSearched(game::Resources const& resources);

} // namespace host
