#include "Anchor.h"
#include <lang/Exception.h>
#include <lang/Format.h>
#include <cstring>

namespace game
{

void Anchor::fromString(char const* keyword)
{
	if (!keyword || !*keyword)
		return;

	struct Keyword
	{
		char const* text;
		bool vertical;
		int value;
	};
	static Keyword const keywords[] = {
		{"TOP", true, TOP},
		{"VCENTER", true, VCENTER},
		{"BOTTOM", true, BOTTOM},
		{"BASELINE", true, BASELINE},
		{"VPIVOT", true, VPIVOT},
		{"LEFT", false, LEFT},
		{"HCENTER", false, HCENTER},
		{"RIGHT", false, RIGHT},
		{"HPIVOT", false, HPIVOT},
	};
	for (Keyword const& k : keywords)
	{
		if (std::strcmp(k.text, keyword) == 0)
		{
			(k.vertical ? vertical : horizontal) = k.value;
			return;
		}
	}
	lang::throwError(lang::Exception(lang::Format("Invalid anchor: {0}", keyword)));
}

} // game
