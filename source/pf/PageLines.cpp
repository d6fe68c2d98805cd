#include "PageLines.h"
#include <lang/Debug.h>

namespace pf
{

namespace
{

/** Distinct lines logged per page; a page that makes more (a line per address) has the rest counted together. */
size_t const MAX_DISTINCT_LINES = 16;

} // namespace

PageLines::~PageLines()
{
	endPage();
}

void PageLines::log(std::string const& line)
{
	for (auto& seen : m_lines)
		if (seen.first == line)
		{
			++seen.second;
			return;
		}
	if (m_lines.size() >= MAX_DISTINCT_LINES)
	{
		++m_unlogged;
		return;
	}
	lang::Debug::printf("%s\n", line.c_str());
	m_lines.emplace_back(line, 0);
}

void PageLines::endPage()
{
	for (auto const& seen : m_lines)
		if (seen.second > 0)
			lang::Debug::printf("%s (%lu more %s on that page)\n", seen.first.c_str(), seen.second, seen.second == 1 ? "time" : "times");
	if (m_unlogged > 0)
		lang::Debug::printf("WebView: %lu other lines of that page were not logged\n", m_unlogged);
	m_lines.clear();
	m_unlogged = 0;
}

} // pf
