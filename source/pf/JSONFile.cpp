#include "JSONFile.h"
#include <io/std/AppDataOutputStream.h>
#include <io/std/RegularFile.h>
#include <io/std/SetAside.h>
#include <lang/Exception.h>
#include <util/JSONParse.h>
#include <cjson/cJSON.h>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <fcntl.h>
#include <unistd.h>

namespace pf
{

void JSONDeleter::operator()(cJSON* item) const
{
	cJSON_Delete(item);
}

JSONPtr JSONFile::read(std::string const& path)
{
	return read(path, ANY_PATH);
}

JSONPtr JSONFile::read(std::string const& path, Where where)
{
	FILE* file = nullptr;
	if (where == ANY_PATH)
		file = fopen(path.c_str(), "rb");
	else
	{
		io::AppDataOutputStream::removeLeftovers(path);
		std::string kind;
		int const fd = io::openRegularFile(path, O_RDONLY, 0, kind);
		if (fd < 0 && !kind.empty())
			fail(path, "cannot be read (it is " + kind + ", not a regular file)");
		file = fd < 0 ? nullptr : fdopen(fd, "rb");
		if (fd >= 0 && !file)
		{
			int const error = errno;
			close(fd);
			errno = error;
		}
	}
	if (!file)
	{
		if (errno == ENOENT)
			return nullptr;
		fail(path, std::string("cannot be read (") + std::strerror(errno) + ")");
	}
	std::string text;
	char buffer[4096];
	size_t got;
	while ((got = fread(buffer, 1, sizeof(buffer), file)) > 0)
		text.append(buffer, got);
	bool const failed = ferror(file) != 0;
	int const error = errno;
	fclose(file);
	if (failed)
		fail(path, std::string("cannot be read (") + std::strerror(error) + ")");

	// The parser stops at a zero byte: one inside the text is malformed.
	size_t const zero = text.find('\0');
	char const* end = nullptr;
	JSONPtr document(util::parseJSON(text.c_str(), end));
	if (document)
	{
		while (end && *end && isspace(static_cast<unsigned char>(*end)))
			++end;
		if (end && (*end || static_cast<size_t>(end - text.c_str()) < text.size()))
			document.reset();
	}
	if (!document || zero != std::string::npos)
	{
		size_t at = end ? static_cast<size_t>(end - text.c_str()) : 0;
		if (zero != std::string::npos && zero < at)
			at = zero;
		fail(path, "malformed JSON at byte " + std::to_string(at));
	}
	return document;
}

JSONPtr JSONFile::readObject(std::string const& path)
{
	JSONPtr document = read(path);
	if (!document)
		fail(path, "does not exist");
	if (!cJSON_IsObject(document.get()))
		fail(path, "not a JSON object");
	return document;
}

bool JSONFile::setAside(std::string const& path)
{
	return !io::setAside(path, "it could not be used").empty();
}

void JSONFile::fail(std::string const& path, std::string const& what)
{
	lang::throwError(lang::Exception(lang::Format("{0}: {1}", path, what)));
}

cJSON* JSONFile::member(std::string const& path, cJSON const* object, char const* name, std::string const& where)
{
	cJSON* item = cJSON_GetObjectItemCaseSensitive(object, name);
	if (!item)
		fail(path, where + "has no \"" + name + "\"");
	return item;
}

std::string JSONFile::text(std::string const& path, cJSON const* object, char const* name, std::string const& where)
{
	cJSON* item = member(path, object, name, where);
	if (!cJSON_IsString(item))
		fail(path, where + "\"" + name + "\" is not a string");
	return item->valuestring;
}

bool JSONFile::flag(std::string const& path, cJSON const* object, char const* name, std::string const& where)
{
	cJSON* item = member(path, object, name, where);
	if (!cJSON_IsBool(item))
		fail(path, where + "\"" + name + "\" is not a boolean");
	return cJSON_IsTrue(item) != 0;
}

} // pf
