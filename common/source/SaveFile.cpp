#include "SaveFile.h"
#include "FileBytes.h"
#include <io/std/FileUtil.h>
#include <io/std/AppDataInputStream.h>
#include <io/std/AppDataOutputStream.h>
#include <io/detail/detail.h>
#include <lang/Debug.h>
#include <lang/Throwable.h>
#include <io/IOException.h>
#include <io/std/FileLock.h>
#include <io/std/RegularFile.h>
#include <io/std/SetAside.h>
#include <lang/Format.h>
#include <lang/Exception.h>
#include <cerrno>
#include <exception>
#include <set>
#include <sys/stat.h>

namespace
{

/** Full paths of the damaged saves that could not be moved aside in this run. */
std::set<std::string>& stuckFiles()
{
	static std::set<std::string> s_stuck;
	return s_stuck;
}

std::string savePath(std::string const& name)
{
	return io::detail::constructPath(io::detail::appdataPath(), name);
}

} // namespace

std::unique_ptr<io::FileLock> SaveFile::lockFolder()
{
	std::string const folder = io::detail::appdataPath();
	std::string const path = io::detail::constructPath(folder, LOCK_NAME);
	std::unique_ptr<io::FileLock> lock;
	try
	{
		io::detail::makeFolders(folder);
		lock = io::FileLock::settingAside(path, io::FileLock::DONT_WAIT);
	}
	catch (lang::Throwable const& e)
	{
		io::AppDataOutputStream::stopWrites(lang::Format(
			"The save folder {0} is not locked against other game processes ({1}): no save is written in this run",
			folder, e.getMessage().format()).format());
		return nullptr;
	}
	if (!lock->held())
		lang::throwError(lang::Exception(lang::Format(
			"Another game process uses the save folder {0}: this one does not start, so that neither writes over the saves of the other",
			folder)));
	io::AppDataOutputStream::holdsFolder(true);
	return lock;
}

bool SaveFile::read(std::string const& name, cipher::Bytes& text, bool& deciphered)
{
	text.clear();
	deciphered = false;
	io::AppDataOutputStream::removeLeftovers(savePath(name));
	// A missing save is the normal first run: nothing to log.
	struct stat info;
	if (::lstat(savePath(name).c_str(), &info) != 0 && errno == ENOENT)
		return false;
	// Not opened at all: a FIFO would wait for a writer, a link lead out of the folder.
	std::string const kind = io::notRegularKind(savePath(name));
	if (!kind.empty())
	{
		setAside(name, "it is " + kind + ", not a regular file");
		return false;
	}
	// Deciphered in place: a save is read into memory once. A save that does
	// not decipher (plain text) is read again as it is.
	for (bool enciphered : {true, false})
	{
		std::string why;
		try
		{
			io::AppDataInputStream in(name);
			if (!readFileBytes(in, text))
				why = "larger than 64 MiB";
		}
		catch (lang::Throwable const& e)
		{
			why = e.getMessage().format();
		}
		if (!why.empty())
		{
			text.clear();
			setAside(name, why);
			return false;
		}
		deciphered = enciphered && cipher::decrypt(cipher::getVariableKey(), text, text);
		if (!enciphered || deciphered)
			break;
	}
	return true;
}

void SaveFile::setAside(std::string const& name, std::string const& why)
{
	std::string const path = savePath(name);
	// Without the folder's lock nothing in it is moved either.
	if (!io::AppDataOutputStream::writesStopped().empty())
	{
		lang::Debug::printf("%s is not used (%s); it stays where it is\n", path.c_str(), why.c_str());
		stuckFiles().insert(path);
		return;
	}
	if (io::setAside(path, why).empty())
	{
		lang::Debug::printf("%s stays where it is and is not written over in this run\n", path.c_str());
		stuckFiles().insert(path);
	}
}

void SaveFile::write(std::string const& name, void const* text, size_t size, bool encrypt)
{
	// The one line saying so came when the writes stopped.
	if (!io::AppDataOutputStream::writesStopped().empty())
		return;
	io::AppDataOutputStream::removeLeftovers(savePath(name));
	cipher::Bytes cipherText;
	bool const enciphered = encrypt && cipher::encrypt(cipher::getVariableKey(), text, size, cipherText);
	void const* bytes = enciphered ? static_cast<void const*>(cipherText.data()) : text;
	size_t const count = enciphered ? cipherText.size() : size;

	std::string const path = savePath(name);
	if (stuckFiles().count(path))
		lang::throwError(io::IOException(lang::Format("{0} was not moved aside; it is not written over", path)));
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
