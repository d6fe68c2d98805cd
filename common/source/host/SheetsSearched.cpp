// The sheets searched for a missing sprite, as the log names them.
#include <host/SheetsSearched.h>
#include <game/Resources.h>
#include <vector>

namespace host
{

std::string sheetsSearched(game::Resources const& resources)
{
	std::vector<std::string> const keys = resources.getSpriteSheetKeys();
	if (keys.empty())
		return "no sprite sheet is loaded";
	std::string text = "the sheets searched: ";
	for (size_t i = 0; i < keys.size(); ++i)
		text += (i ? ", " : "") + keys[i];
	return text;
}

} // namespace host
