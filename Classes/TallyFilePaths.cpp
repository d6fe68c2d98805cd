#include "TallyFilePaths.h"
#include "TallyStorage.h"
#include "TallyUtil.h"
#include <io/detail/detail.h>
#include <io/std/FileUtil.h>
#include <io/std/RegularFile.h>
#include <io/std/SetAside.h>
#include <linux/TallyPlatform.h>
#include <zlib.h>
#include <mutex>
#include <sys/stat.h>

namespace
{

/** The key in the files' names, under its lock. */
struct FileKey
{
	std::mutex mutex;
	std::string key;
};

/** Never destroyed: send threads may still name files while the process exits. */
FileKey& fileKey()
{
	static FileKey* const s_key = new FileKey;
	return *s_key;
}

/** The key's hash in file names: CRC-32 of its UTF-8, as a signed decimal. */
std::string keyHash()
{
	std::string key = TallyFilePaths::apiKeyForFiles();
	uLong crc = crc32(0L, reinterpret_cast<Bytef const*>(key.data()), static_cast<uInt>(key.size()));
	return std::to_string(static_cast<int32_t>(static_cast<uint32_t>(crc)));
}

/** The older name when a file of that name exists, else the dotted one. */
std::string chosenPath(std::string const& older, std::string const& dotted)
{
	return TallyStorage::exists(older) ? older : dotted;
}

std::string versioned(char const* stem)
{
	return TallyFilePaths::filePathDirectory() + "/" + stem + keyHash() + "_" + TallyFilePaths::getAgentVersion() + ".archive";
}

} // namespace

std::string TallyFilePaths::getAgentVersion()
{
	return std::to_string(AGENT_VERSION);
}

void TallyFilePaths::setApiKeyForFiles(std::string const& key)
{
	FileKey& k = fileKey();
	std::lock_guard<std::mutex> lock(k.mutex);
	k.key = key;
}

std::string TallyFilePaths::apiKeyForFiles()
{
	FileKey& k = fileKey();
	std::lock_guard<std::mutex> lock(k.mutex);
	return k.key;
}

std::string TallyFilePaths::filePathDirectory()
{
	std::string folder =
		TallyUtil::getSystemVersionAsAnInteger() > 50000 ? TallyPlatform::libraryPath() + "/TallyFiles" : TallyPlatform::cachesPath();
	// The store's folder itself, never a link out of the save folder nor a FIFO in its place.
	struct stat info;
	if (lstat(folder.c_str(), &info) == 0 && !S_ISDIR(info.st_mode))
		io::setAside(folder, "it is " + io::notRegularKind(folder) + ", not a folder");
	io::detail::makeFolders(folder);
	return folder;
}

std::string TallyFilePaths::oldSessionsFilePath()
{
	return versioned("tallyStored");
}

std::string TallyFilePaths::sessionsFilePath()
{
	return chosenPath(oldSessionsFilePath(), versioned(".tallyStored"));
}

std::string TallyFilePaths::oldCurrentSessionFilePath()
{
	return versioned("tallyCurrent");
}

std::string TallyFilePaths::currentSessionFilePath()
{
	return chosenPath(oldCurrentSessionFilePath(), versioned(".tallyCurrent"));
}

std::string TallyFilePaths::oldSessionSentFilePath()
{
	return versioned("tallySent");
}

std::string TallyFilePaths::sessionSentFilePath()
{
	return chosenPath(oldSessionSentFilePath(), versioned(".tallySent"));
}

std::string TallyFilePaths::oldInitialTimestampFilePath()
{
	return filePathDirectory() + "/initialTimestamp" + keyHash() + ".archive";
}

std::string TallyFilePaths::initialTimestampFilePath()
{
	return chosenPath(oldInitialTimestampFilePath(), filePathDirectory() + "/.initialTimestamp" + keyHash() + ".archive");
}

std::string TallyFilePaths::oldAdStateCallbacksFilePath()
{
	return versioned("tallyAdStateCallbacks");
}

std::string TallyFilePaths::adStateCallbacksFilePath()
{
	return chosenPath(oldAdStateCallbacksFilePath(), versioned(".tallyAdStateCallbacks"));
}
