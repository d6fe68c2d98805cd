#include "String.h"
#include "UTFConverter.h"
#include <cctype>

namespace lang
{

namespace string
{

std::string tolower(std::string const& s)
{
	std::string r(s);
	for (char& c : r)
		c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
	return r;
}

std::string toupper(std::string const& s)
{
	std::string r(s);
	for (char& c : r)
		c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
	return r;
}

std::string trim(std::string const& s)
{
	static char const blanks[] = " \n\t\r";
	size_t const first = s.find_first_not_of(blanks);
	if (first == std::string::npos)
		return std::string();
	size_t const last = s.find_last_not_of(blanks);
	return s.substr(first, last - first + 1);
}

std::vector<std::string> split(std::string const& s, std::string const& delimiter)
{
	std::vector<std::string> pieces;
	if (delimiter.empty())
	{
		pieces.push_back(s);
		return pieces;
	}
	size_t pos = 0;
	for (;;)
	{
		size_t const match = s.find(delimiter, pos);
		if (match == std::string::npos)
			break;
		pieces.push_back(s.substr(pos, match - pos));
		pos = match + delimiter.size();
	}
	pieces.push_back(s.substr(pos));
	return pieces;
}

std::string toUTF8string(std::basic_string<unsigned short> const& s)
{
	UTFConverter const in(UTFConverter::ENCODING_UTF16);
	UTFConverter const out(UTFConverter::ENCODING_UTF8);
	std::string r;
	r.reserve(s.size());
	unsigned char const* p = reinterpret_cast<unsigned char const*>(s.data());
	unsigned char const* const end = p + s.size() * sizeof(unsigned short);
	while (p < end)
	{
		int consumed = 0;
		int cp = 0;
		if (!in.decode(p, end, &consumed, &cp))
		{
			p += sizeof(unsigned short);
			continue;
		}
		p += consumed;
		char bytes[4];
		int written = 0;
		if (out.encode(bytes, bytes + sizeof(bytes), &written, cp))
			r.append(bytes, static_cast<size_t>(written));
	}
	return r;
}

std::string toUTF8string(std::basic_string<unsigned int> const& s)
{
	UTFConverter const out(UTFConverter::ENCODING_UTF8);
	std::string r;
	r.reserve(s.size());
	for (unsigned int v : s)
	{
		if (v >= 0x200000u)
			continue;
		char bytes[4];
		int written = 0;
		if (out.encode(bytes, bytes + sizeof(bytes), &written, static_cast<int>(v)))
			r.append(bytes, static_cast<size_t>(written));
	}
	return r;
}

namespace
{

// Decodes UTF-8 code point by code point, skipping one byte where decoding
// fails, and hands each code point to emit.
template <class Emit>
void decodeUTF8(std::string const& s, Emit emit)
{
	UTFConverter const in(UTFConverter::ENCODING_UTF8);
	char const* p = s.data();
	char const* const end = p + s.size();
	while (p < end)
	{
		int consumed = 0;
		int cp = 0;
		if (!in.decode(p, end, &consumed, &cp))
		{
			++p;
			continue;
		}
		p += consumed;
		emit(cp);
	}
}

} // namespace

std::basic_string<unsigned short> toUTF16string(std::string const& s)
{
	UTFConverter const out(UTFConverter::ENCODING_UTF16);
	std::basic_string<unsigned short> r;
	r.reserve(s.size());
	decodeUTF8(s, [&](int cp) {
		unsigned short units[2];
		int written = 0;
		if (out.encode(units, units + 2, &written, cp))
			r.append(units, static_cast<size_t>(written) / sizeof(unsigned short));
	});
	return r;
}

std::basic_string<unsigned int> toUTF32string(std::string const& s)
{
	std::basic_string<unsigned int> r;
	r.reserve(s.size());
	decodeUTF8(s, [&](int cp) { r.push_back(static_cast<unsigned int>(cp)); });
	return r;
}

} // string

} // lang
