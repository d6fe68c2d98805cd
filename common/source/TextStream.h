#pragma once

#include <io/ByteArrayInputStream.h>
#include <string>
#include <utility>

/**
 * A memory stream over the text of a file, named after the file: the
 * chunk name of its Lua and the name in every message about it.
 */
class TextStream : public io::ByteArrayInputStream
{
public:
	/**
	 * Takes the bytes of text without copying them.
	 * @exception io::IOException If text holds more than 2^31 - 1 bytes.
	 */
	TextStream(std::string&& text, std::string const& name) :
		io::ByteArrayInputStream(std::move(text))
	{
		setName(name);
	}

	/**
	 * Copies size bytes of text.
	 * @exception io::IOException If size is more than 2^31 - 1.
	 */
	TextStream(void const* text, size_t size, std::string const& name) :
		io::ByteArrayInputStream(text, size > 0x7fffffff ? -1 : static_cast<int>(size))
	{
		setName(name);
	}
};
