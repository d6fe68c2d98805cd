// The text line-breaker: lines of a width in a font, cut at breaks and, for
// a word wider than a line, inside it.
#include <host/TextLines.h>
#include <game/IFont.h>
#include <lang/String.h>
#include <algorithm>
#include <cstddef>

namespace host
{

namespace
{

/** Break characters of clipped text. */
bool isBreak(unsigned int c)
{
	return c == 10 || c == 32 || c == 45 || c == 8203;
}

/** Widths of runs of code points in a font. */
class RunWidth
{
public:
	RunWidth(game::IFont const& font, std::basic_string<unsigned int> const& text) : m_font(font), m_text(text) {}

	/** Width of text[first, first + count). */
	int operator()(std::size_t first, std::size_t count) const
	{
		if (count == 0)
			return 0;
		std::basic_string<unsigned int> const run = m_text.substr(first, count);
		int units = 0;
		for (unsigned int c : run)
			units += c > 0xFFFF ? 2 : 1;
		return m_font.getStringWidth(lang::string::toUTF8string(run), 0, units);
	}

private:
	game::IFont const& m_font;
	std::basic_string<unsigned int> const& m_text;
};

} // namespace

TextLines breakTextLines(game::IFont const& font, std::string const& utf8, float maxWidth)
{
	std::basic_string<unsigned int> const text = lang::string::toUTF32string(utf8);
	TextLines out;
	std::size_t const length = text.size();
	RunWidth const width(font, text);
	std::size_t p = 0;
	while (p < length)
	{
		std::size_t const s = p;
		std::size_t end = s;
		std::size_t q = p;
		std::size_t next = length;
		int fitted = 0;
		for (;;)
		{
			std::size_t i = q;
			while (i < length && !isBreak(text[i]))
				++i;
			std::size_t e = i;
			if (i < length && text[i] == 45)
				e = i + 1;
			// Not below the width: the line ends with what fitted, or a word alone is cut.
			if (!(float(width(s, e - s)) < maxWidth))
			{
				if (fitted == 0)
				{
					// The longest prefix narrower than maxWidth, by bisection; at least one character.
					std::size_t lo = 1, hi = e - s;
					while (lo < hi)
					{
						std::size_t const mid = (lo + hi + 1) / 2;
						if (float(width(s, mid)) < maxWidth)
							lo = mid;
						else
							hi = mid - 1;
					}
					end = s + std::max<std::size_t>(lo, 1);
					next = end;
				}
				else
					next = q;
				break;
			}
			++fitted;
			end = e;
			if (e < length && text[e] == 10)
			{
				next = e;
				break;
			}
			std::size_t k = e;
			while (k < length && (text[k] == 32 || text[k] == 8203))
				++k;
			q = k;
			if (q >= length)
			{
				next = q;
				break;
			}
		}
		out.widest = std::max(out.widest, width(s, end - s));
		out.lines.push_back(lang::string::toUTF8string(text.substr(s, end - s)));
		p = next < length && text[next] == 10 ? next + 1 : next;
		// Always advance, whatever the widths.
		if (p <= s)
			p = s + 1;
	}
	return out;
}

} // namespace host
