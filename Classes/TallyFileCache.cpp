#include "TallyFileCache.h"
#include "TallyGuard.h"
#include "TallyLog.h"
#include "TallyStorage.h"
#include <io/detail/detail.h>
#include <linux/TallyPlatform.h>
#include <filesystem>
#include <mutex>

namespace
{

/** The shared instance, under its lock. */
struct FileCacheHolder
{
	std::mutex mutex;
	lang::Ptr<TallyFileCache> cache;
};

/** Never destroyed: the report thread may ask for it while the process exits. */
FileCacheHolder& fileCacheHolder()
{
	static FileCacheHolder* const s_holder = new FileCacheHolder;
	return *s_holder;
}

/** Bytes outside A-Z a-z 0-9 . - _ as "%XX". */
std::string escaped(std::string const& text)
{
	static char const HEX[] = "0123456789ABCDEF";
	std::string out;
	for (char c : text)
	{
		unsigned char b = static_cast<unsigned char>(c);
		if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '.' || b == '-' || b == '_')
			out += c;
		else
		{
			out += '%';
			out += HEX[b >> 4];
			out += HEX[b & 15];
		}
	}
	return out;
}

} // namespace

TallyFileCache::TallyFileCache(std::string const& apiKey, std::string const& agentVersion) : m_apiKey(apiKey), m_agentVersion(agentVersion) {}

lang::Ptr<TallyFileCache> TallyFileCache::createInstanceWithApiKey(std::string const& apiKey, std::string const& agentVersion)
{
	FileCacheHolder& holder = fileCacheHolder();
	std::lock_guard<std::mutex> lock(holder.mutex);
	if (!holder.cache)
		holder.cache = new TallyFileCache(apiKey, agentVersion);
	return holder.cache;
}

lang::Ptr<TallyFileCache> TallyFileCache::instance()
{
	FileCacheHolder& holder = fileCacheHolder();
	std::lock_guard<std::mutex> lock(holder.mutex);
	return holder.cache;
}

void TallyFileCache::destroyInstance()
{
	lang::Ptr<TallyFileCache> old;
	FileCacheHolder& holder = fileCacheHolder();
	std::lock_guard<std::mutex> lock(holder.mutex);
	old = holder.cache;
	holder.cache = nullptr;
}

std::string TallyFileCache::createDirectoryPath() const
{
	std::string folder = TallyPlatform::cachesPath() + "/Tally";
	io::detail::makeFolders(folder);
	return folder;
}

std::string TallyFileCache::createFilePath(std::string const& prefix, bool forCurentAgentVersion) const
{
	return createDirectoryPath() + "/tallyCache_" + escaped(prefix) + "_" + escaped(m_apiKey) + "_" +
	       (forCurentAgentVersion ? escaped(m_agentVersion) : std::string()) + ".archive";
}

std::optional<std::string> TallyFileCache::save(TallyArchiver const& object, std::string const& prefix, bool forCurentAgentVersion) const
{
	std::optional<std::string> saved;
	std::string text;
	tallyGuard([&] {
		text = object.text();
		std::string path = createFilePath(prefix, forCurentAgentVersion);
		if (TallyStorage::write(path, text))
			saved = path;
	});
	if (saved)
		tallyLog("Tally: object[%@] saved to disk at path[%@]", {text, *saved});
	else
		tallyLog("Tally: object[%@] cannot be saved to disk", {text});
	return saved;
}

std::optional<TallyUnarchiver> TallyFileCache::get(std::string const& prefix, bool forCurentAgentVersion) const
{
	std::optional<TallyUnarchiver> object;
	std::string path;
	tallyGuard([&] {
		path = createFilePath(prefix, forCurentAgentVersion);
		if (std::optional<std::string> text = TallyStorage::read(path))
		{
			try
			{
				object = TallyUnarchiver::parse(*text);
			}
			catch (TallyArchiveError const& e)
			{
				tallyLog("Tally: cached object [%@] is not readable: %@", {path, e.what});
			}
		}
	});
	tallyLog("Tally: object[%@] retrieved from disk at path[%@]", {object ? "(object)" : "(null)", path});
	return object;
}

bool TallyFileCache::remove(std::string const& prefix, bool forCurentAgentVersion) const
{
	bool removed = false;
	std::string path;
	tallyGuard([&] {
		path = createFilePath(prefix, forCurentAgentVersion);
		removed = TallyStorage::remove(path);
	});
	tallyLog("Tally: object at path[%@] removed from disk successful[%d]", {path, removed ? 1 : 0});
	return removed;
}

bool TallyFileCache::removeCache() const
{
	bool removed = false;
	std::string folder = TallyPlatform::cachesPath() + "/Tally";
	std::error_code ec;
	removed = std::filesystem::remove_all(folder, ec) > 0 && !ec;
	tallyLog("Tally: object at path[%@] removed from disk successful[%d]", {folder, removed ? 1 : 0});
	return removed;
}
