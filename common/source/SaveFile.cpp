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
#include <io/std/SetAside.h>
#include <lang/Format.h>
#include <lang/Exception.h>
#include <cctype>
#include <cerrno>
#include <exception>
#include <filesystem>
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

/** True for "<name>.<digits>-<digits>.tmp", a temporary file of io::SaveFileOutputStream. */
bool isTemporaryName(std::string const& name)
{
	size_t const end = name.size() >= 4 && name.compare(name.size() - 4, 4, ".tmp") == 0 ? name.size() - 4 : 0;
	size_t at = end;
	auto digitsBefore = [&](char mark) {
		size_t const last = at;
		while (at > 0 && std::isdigit(static_cast<unsigned char>(name[at - 1])))
			--at;
		if (at == last || at == 0 || name[at - 1] != mark)
			return false;
		--at;
		return true;
	};
	return end > 0 && digitsBefore('-') && digitsBefore('.') && at > 0;
}

} // namespace

std::unique_ptr<io::FileLock> SaveFile::lockFolder()
{
	std::string const folder = io::detail::appdataPath();
	std::unique_ptr<io::FileLock> lock;
	try
	{
		io::detail::makeFolders(folder);
		lock = std::make_unique<io::FileLock>(io::detail::constructPath(folder, LOCK_NAME), io::FileLock::DONT_WAIT);
	}
	catch (lang::Throwable const& e)
	{
		lang::Debug::printf("The save folder is not locked against other game processes: %s\n", e.getMessage().format().c_str());
		return nullptr;
	}
	if (!lock->held())
		lang::throwError(lang::Exception(lang::Format(
			"Another game process uses the save folder {0}: this one does not start, so that neither writes over the saves of the other",
			folder)));
	std::error_code error;
	for (auto const& entry : std::filesystem::directory_iterator(folder, error))
	{
		std::string const name = entry.path().filename();
		if (isTemporaryName(name) && std::filesystem::remove(entry.path(), error))
			lang::Debug::printf("Removed %s, left by a run that ended while saving\n", entry.path().c_str());
	}
	return lock;
}

bool SaveFile::read(std::string const& name, cipher::Bytes& text, bool& deciphered)
{
	text.clear();
	deciphered = false;
	// A missing save is the normal first run: nothing to log.
	struct stat info;
	if (::lstat(savePath(name).c_str(), &info) != 0 && errno == ENOENT)
		return false;
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
	if (io::setAside(path, why).empty())
	{
		lang::Debug::printf("%s stays where it is and is not written over in this run\n", path.c_str());
		stuckFiles().insert(path);
	}
}

void SaveFile::write(std::string const& name, void const* text, size_t size, bool encrypt)
{
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
