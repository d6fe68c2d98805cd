#include "PathName.h"
#include <vector>

namespace io
{

namespace
{

/** Normalises a path whose separators are all "/" (see PathName). */
std::string normalise(std::string const& s)
{
	std::string drive;
	std::string rest = s;
	size_t colon = s.find(':');
	if (colon != std::string::npos && s.find('/') > colon)
	{
		drive = s.substr(0, colon + 1);
		rest = s.substr(colon + 1);
	}
	if (rest.empty())
		return s;

	bool absolute = rest[0] == '/';
	bool folder = rest.back() == '/';
	std::vector<std::string> parts;
	size_t start = 0;
	while (start <= rest.size())
	{
		size_t end = rest.find('/', start);
		if (end == std::string::npos)
			end = rest.size();
		std::string part = rest.substr(start, end - start);
		start = end + 1;
		bool last = start > rest.size();
		if (part.empty())
			continue;
		if (part == "." || part == "..")
		{
			// "a/." and "a/b/.." name folders: keep them ending in "/"
			if (last)
				folder = true;
			if (part == ".")
				continue;
			if (!parts.empty() && parts.back() != "..")
				parts.pop_back();
			else if (!absolute)
				parts.push_back(part);
			continue;
		}
		parts.push_back(part);
	}

	std::string out = drive;
	if (absolute)
		out += '/';
	for (size_t i = 0; i < parts.size(); ++i)
	{
		if (i > 0)
			out += '/';
		out += parts[i];
	}
	if (folder && !parts.empty())
		out += '/';
	return out;
}

} // namespace

PathName::PathName() {}

PathName::PathName(std::string const& path)
{
	parse(path.c_str(), nullptr);
}

PathName::PathName(std::string const& dir, std::string const& file)
{
	parse(dir.c_str(), file.c_str());
}

void PathName::parse(char const* path, char const* file)
{
	std::string joined = path ? path : "";
	if (file)
	{
		if (!joined.empty() && (file[0] == '/' || file[0] == '\\'))
			++file;
		if (!joined.empty() && joined.back() != '/' && joined.back() != '\\')
			joined += '/';
		joined += file;
	}
	for (char& c : joined)
		if (c == '\\')
			c = '/';

	m_path = normalise(joined);
	m_drv.clear();
	m_dir.clear();
	m_basename.clear();
	m_suffix.clear();

	std::string rest = m_path;
	size_t colon = rest.find(':');
	if (colon != std::string::npos)
	{
		m_drv = rest.substr(0, colon + 1);
		rest = rest.substr(colon + 1);
	}
	size_t slash = rest.rfind('/');
	if (slash != std::string::npos)
	{
		m_dir = rest.substr(0, slash + 1);
		rest = rest.substr(slash + 1);
	}
	size_t dot = rest.rfind('.');
	if (dot != std::string::npos)
	{
		m_basename = rest.substr(0, dot);
		m_suffix = rest.substr(dot);
	}
	else
	{
		m_basename = rest;
	}
}

PathName PathName::parent() const
{
	std::string p = m_path;
	if (p.size() > 1 && p.back() == '/')
		p.pop_back();
	size_t slash = p.rfind('/');
	if (slash == std::string::npos)
		p.clear();
	else if (slash == 0)
		p = "/";
	else
		p.erase(slash);
	return PathName(p);
}

std::string PathName::filename() const
{
	return m_basename + m_suffix;
}

} // io
