#pragma once

#include <string>
#include <utility>
#include <vector>

namespace pf
{

/**
 * Lines that a page can make the web view log at will (a refused call, a
 * refused file): each distinct line is logged the first time in a page,
 * then only counted; when the page goes (endPage) each count is logged
 * once. Past 16 distinct lines in a page the others are counted together.
 * Main thread only.
 */
class PageLines
{
public:
	PageLines() = default;

	/** Logs the count of each line repeated in the page that ends. */
	~PageLines();

	/** Logs line (without its "\n") the first time in this page, else counts it. */
	void log(std::string const& line);

	/** The page ends: logs "<line> (N more times on that page)" for each line repeated, and starts afresh. */
	void endPage();

private:
	/** Each line of the page with how many times it came after its first. */
	std::vector<std::pair<std::string, unsigned long>> m_lines;
	/** Lines past the distinct ones kept, not logged. */
	unsigned long m_unlogged = 0;

	PageLines(PageLines const&) = delete;
	PageLines& operator=(PageLines const&) = delete;
};

} // pf
