#include "SaveFile.h"
#include "FileBytes.h"
#include <io/std/FileUtil.h>
#include <io/std/AppDataInputStream.h>
#include <io/std/AppDataOutputStream.h>
#include <io/detail/detail.h>
#include <lang/Debug.h>
#include <lang/Throwable.h>
#include <exception>
#include <unistd.h>

bool SaveFile::read(std::string const& name, cipher::Bytes& text)
{
	text.clear();
	// A missing save is the normal first run: nothing to log.
	std::string const path = io::detail::constructPath(io::detail::appdataPath(), name);
	if (::access(path.c_str(), F_OK) != 0)
		return false;
	// Deciphered in place: a save is read into memory once. A save that does
	// not decipher (plain text) is read again as it is.
	for (bool enciphered : {true, false})
	{
		try
		{
			io::AppDataInputStream in(name);
			if (!readFileBytes(in, text))
			{
				lang::Debug::printf("Save %s not read: larger than 64 MiB\n", path.c_str());
				return false;
			}
		}
		catch (lang::Throwable const& e)
		{
			lang::Debug::printf("Save %s not read: %s\n", path.c_str(), e.getMessage().format().c_str());
			text.clear();
			return false;
		}
		if (!enciphered || cipher::decrypt(cipher::getVariableKey(), text, text))
			break;
	}
	return true;
}

void SaveFile::write(std::string const& name, void const* text, size_t size, bool encrypt)
{
	cipher::Bytes cipherText;
	bool const enciphered = encrypt && cipher::encrypt(cipher::getVariableKey(), text, size, cipherText);
	void const* bytes = enciphered ? static_cast<void const*>(cipherText.data()) : text;
	size_t const count = enciphered ? cipherText.size() : size;

	io::AppDataOutputStream out(name);
	// Written in pieces: the stream counts in int.
	size_t done = 0;
	while (done < count)
	{
		size_t const piece = count - done < (size_t(1) << 30) ? count - done : (size_t(1) << 30);
		out.write(static_cast<unsigned char const*>(bytes) + done, static_cast<int>(piece));
		done += piece;
	}
	out.close();
}

bool SaveFile::writeOrLog(std::string const& file, std::function<void()> const& save)
{
	std::string error;
	try
	{
		save();
		return true;
	}
	catch (lang::Throwable const& e)
	{
		error = e.getMessage().format();
	}
	catch (std::exception const& e)
	{
		error = e.what();
	}
	lang::Debug::printf("%s\n", lang::Format("Failed to save {0}: {1}", file, error).format().c_str());
	return false;
}
