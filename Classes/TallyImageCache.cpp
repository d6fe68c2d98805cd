#include "TallyImageCache.h"
#include "TallyGuard.h"
#include "TallyLog.h"
#include <algorithm>
#include <climits>
#include <cerrno>
#include <cstdlib>

namespace
{

using ImageLock = std::lock_guard<std::recursive_mutex>;

struct Instance
{
	std::mutex mutex;
	lang::Ptr<TallyImageCache> cache;
};

/** Never destroyed: the report thread may ask for it while the process exits. */
Instance& instanceHolder()
{
	static Instance* s_instance = new Instance;
	return *s_instance;
}

/** The id of an index key: a decimal integer, else none. */
std::optional<int64_t> idOfKey(std::string const& key)
{
	if (key.empty() || key.size() > 20)
		return std::nullopt;
	char* end = nullptr;
	errno = 0;
	long long value = std::strtoll(key.c_str(), &end, 10);
	if (errno != 0 || *end != '\0')
		return std::nullopt;
	return static_cast<int64_t>(value);
}

} // namespace

lang::Ptr<TallyImageCache> TallyImageCache::createInstanceWithFileCache(lang::Ptr<TallyFileCache> const& fileCache)
{
	Instance& holder = instanceHolder();
	std::lock_guard<std::mutex> lock(holder.mutex);
	if (holder.cache)
		return holder.cache;
	lang::Ptr<TallyImageCache> cache;
	if (fileCache)
	{
		if (std::optional<TallyUnarchiver> archive = fileCache->get("imageCache", false))
		{
			try
			{
				cache = initWithCoder(*archive);
			}
			catch (TallyArchiveError const& e)
			{
				tallyLog("Tally: image cache archive [%@] is not readable: %@", {fileCache->createFilePath("imageCache", false), e.what});
			}
		}
	}
	if (!cache)
		cache = new TallyImageCache;
	cache->setFileCache(fileCache);
	holder.cache = cache;
	return cache;
}

lang::Ptr<TallyImageCache> TallyImageCache::recreateInstanceWithFileCache(lang::Ptr<TallyFileCache> const& fileCache)
{
	destroyInstance();
	return createInstanceWithFileCache(fileCache);
}

lang::Ptr<TallyImageCache> TallyImageCache::instance()
{
	Instance& holder = instanceHolder();
	std::lock_guard<std::mutex> lock(holder.mutex);
	return holder.cache;
}

void TallyImageCache::destroyInstance()
{
	lang::Ptr<TallyImageCache> old;
	Instance& holder = instanceHolder();
	std::lock_guard<std::mutex> lock(holder.mutex);
	old = holder.cache;
	holder.cache = nullptr;
}

std::string TallyImageCache::imageIdToFileName(int64_t imageId)
{
	return "tallyImage" + std::to_string(imageId);
}

bool TallyImageCache::save(std::optional<std::string> const& image, std::optional<int64_t> imageId)
{
	tallyLog("Tally: Image cache saving imageId[%@]", {imageId ? std::to_string(*imageId) : std::string("(null)")});
	if (!image || !imageId)
		return false;
	bool saved = false;
	tallyGuard([&] {
		ImageLock lock(m_mutex);
		if (!m_index.count(*imageId) && static_cast<int64_t>(m_index.size()) >= m_maxImageCached && !m_lru.empty())
		{
			tallyLog("Tally: Image cache full, remove oldest entry[%@]", {std::to_string(m_lru.front())});
			remove(m_lru.front());
		}
		if (!m_fileCache)
			return;
		TallyArchiver coder;
		coder.encodeData("image", *image);
		std::string prefix = imageIdToFileName(*imageId);
		if (!m_fileCache->save(coder, prefix, false))
			return;
		m_index[*imageId] = prefix;
		setAsMostRecentlyUsed(*imageId);
		saved = true;
	});
	return saved;
}

std::optional<std::string> TallyImageCache::get(std::optional<int64_t> imageId)
{
	tallyLog("Tally: Image cache retrieving imageId[%@]", {imageId ? std::to_string(*imageId) : std::string("(null)")});
	std::optional<std::string> image;
	if (!imageId)
		return image;
	tallyGuard([&] {
		ImageLock lock(m_mutex);
		auto found = m_index.find(*imageId);
		if (found == m_index.end())
			return;
		setAsMostRecentlyUsed(*imageId);
		std::optional<TallyUnarchiver> archive = m_fileCache ? m_fileCache->get(found->second, false) : std::nullopt;
		try
		{
			if (archive)
				image = archive->decodeData("image");
		}
		catch (TallyArchiveError const& e)
		{
			tallyLog("Tally: image [%@] is not readable: %@", {found->second, e.what});
		}
		if (!image)
		{
			m_index.erase(found);
			m_lru.erase(std::remove(m_lru.begin(), m_lru.end(), *imageId), m_lru.end());
		}
	});
	return image;
}

bool TallyImageCache::remove(std::optional<int64_t> imageId)
{
	tallyLog("Tally: Image cache removing imageId[%@]", {imageId ? std::to_string(*imageId) : std::string("(null)")});
	if (!imageId)
		return false;
	bool removed = false;
	tallyGuard([&] {
		ImageLock lock(m_mutex);
		auto found = m_index.find(*imageId);
		if (found != m_index.end())
		{
			removed = m_fileCache && m_fileCache->remove(found->second, false);
			m_index.erase(found);
		}
		m_lru.erase(std::remove(m_lru.begin(), m_lru.end(), *imageId), m_lru.end());
	});
	return removed;
}

void TallyImageCache::setAsMostRecentlyUsed(int64_t imageId)
{
	tallyLog("Tally: Image cache setting imageId[%@] as most recently used", {std::to_string(imageId)});
	ImageLock lock(m_mutex);
	m_lru.erase(std::remove(m_lru.begin(), m_lru.end(), imageId), m_lru.end());
	m_lru.push_back(imageId);
}

std::vector<int64_t> TallyImageCache::storedIds() const
{
	ImageLock lock(m_mutex);
	std::vector<int64_t> ids;
	for (auto const& entry : m_index)
		ids.push_back(entry.first);
	return ids;
}

std::vector<int64_t> TallyImageCache::leastRecentlyUsed() const
{
	ImageLock lock(m_mutex);
	return m_lru;
}

int64_t TallyImageCache::cacheUpdateTimestamp() const
{
	ImageLock lock(m_mutex);
	return m_cacheUpdateTimestamp;
}

void TallyImageCache::setCacheUpdateTimestamp(int64_t timestamp)
{
	ImageLock lock(m_mutex);
	m_cacheUpdateTimestamp = timestamp;
}

int TallyImageCache::maxImageCached() const
{
	ImageLock lock(m_mutex);
	return m_maxImageCached;
}

lang::Ptr<TallyFileCache> TallyImageCache::fileCache() const
{
	ImageLock lock(m_mutex);
	return m_fileCache;
}

void TallyImageCache::setFileCache(lang::Ptr<TallyFileCache> const& fileCache)
{
	ImageLock lock(m_mutex);
	m_fileCache = fileCache;
}

void TallyImageCache::encodeWithCoder(TallyArchiver& coder) const
{
	tallyLog("Tally: Encode TallyImageCache");
	ImageLock lock(m_mutex);
	TallyArchiver index;
	for (auto const& [id, prefix] : m_index)
		index.encodeString(std::to_string(id).c_str(), prefix);
	coder.encodeArchive("index", std::move(index));
	coder.encodeInteger("maxImageCached", m_maxImageCached);
	TallyArchiver lru(true);
	for (int64_t id : m_lru)
		lru.encodeInteger(nullptr, id);
	coder.encodeArchive("lru", std::move(lru));
	coder.encodeInteger("cacheUpdateTimestamp", m_cacheUpdateTimestamp);
}

lang::Ptr<TallyImageCache> TallyImageCache::initWithCoder(TallyUnarchiver const& coder)
{
	lang::Ptr<TallyImageCache> cache(new TallyImageCache);
	TallyImageCache& c = *cache;
	int dropped = 0;
	if (std::optional<std::map<std::string, std::string>> index = coder.decodeStringMap("index"))
		for (auto const& [key, prefix] : *index)
		{
			std::optional<int64_t> id = idOfKey(key);
			// The file name is always made from the id: a stored name never leads elsewhere.
			if (id && prefix == imageIdToFileName(*id))
				c.m_index[*id] = prefix;
			else
				++dropped;
		}
	int64_t max = coder.decodeInteger("maxImageCached", INT64_MIN, INT64_MAX);
	c.m_maxImageCached = max >= 1 && max <= MAX_IMAGES_CACHED ? static_cast<int>(max) : MAX_IMAGES_CACHED;
	if (std::optional<TallyUnarchiver> lru = coder.decodeList("lru"))
		lru->forEachElement([&](TallyUnarchiver const& entry) {
			int64_t id = entry.decodeInteger("", INT64_MIN, INT64_MAX);
			if (c.m_index.count(id) && std::find(c.m_lru.begin(), c.m_lru.end(), id) == c.m_lru.end())
				c.m_lru.push_back(id);
			else
				++dropped;
		});
	for (auto const& entry : c.m_index)
		if (std::find(c.m_lru.begin(), c.m_lru.end(), entry.first) == c.m_lru.end())
			c.m_lru.push_back(entry.first);
	c.m_cacheUpdateTimestamp = coder.decodeInteger("cacheUpdateTimestamp", INT64_MIN, INT64_MAX);
	if (dropped)
		tallyLog("Tally: image cache archive: %d entries that do not fit the index were dropped", {dropped});
	return cache;
}
