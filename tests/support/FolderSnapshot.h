#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <system_error>

namespace test
{

/**
 * What a folder holds, to compare before and after: each entry below it by
 * its relative path, with a file's bytes, "<folder>" for a folder and
 * "-> <target>" for a symbolic link (not followed). Empty for a folder that
 * does not exist.
 */
inline std::map<std::string, std::string> snapshotFolder(std::string const& folder)
{
	std::map<std::string, std::string> entries;
	std::error_code ec;
	for (std::filesystem::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
	{
		std::string const rel = std::filesystem::path(it->path()).lexically_relative(folder).string();
		std::error_code kind;
		if (it->is_symlink(kind))
			entries[rel] = "-> " + std::filesystem::read_symlink(it->path(), kind).string();
		else if (it->is_directory(kind))
			entries[rel] = "<folder>";
		else
		{
			std::ifstream in(it->path(), std::ios::binary);
			entries[rel] = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
		}
	}
	return entries;
}

} // test
