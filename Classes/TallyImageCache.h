#pragma once

#include <TallyArchiver.h>
#include <TallyFileCache.h>
#include <TallyUnarchiver.h>
#include <lang/Object.h>
#include <lang/Ptr.h>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

/**
 * Up to 400 images (their encoded bytes), each archived as a file through
 * the file cache under "tallyImage<id>" and dropped least recently used
 * first when a new one needs room. One process-wide instance, read at
 * creation from the file cache's "imageCache" archive when there is one
 * (made consistent: ids only in the order dropped, ids only in the index
 * appended, a capacity outside 1..400 made 400).
 *
 * Thread-safe: one lock covers every operation (the report thread reads
 * the ids and the update stamp).
 */
class TallyImageCache : public lang::Object
{
public:
	static constexpr int MAX_IMAGES_CACHED = 400;

	/** The instance; made on first call (read from the file cache or empty). */
	static lang::Ptr<TallyImageCache> createInstanceWithFileCache(lang::Ptr<TallyFileCache> const& fileCache);

	/** Drops the instance and makes it again. */
	static lang::Ptr<TallyImageCache> recreateInstanceWithFileCache(lang::Ptr<TallyFileCache> const& fileCache);

	/** The instance, null before creation. */
	static lang::Ptr<TallyImageCache> instance();

	/**
	 * Stores the image under the id; a new id in a full cache first removes
	 * the least recently used one. Index and order change only when the
	 * file was written. Nothing for a missing image or id.
	 * @return Whether the image was stored.
	 */
	bool save(std::optional<std::string> const& image, std::optional<int64_t> imageId);

	/** The image, marked most recently used; none (and the id forgotten) when its file cannot be read. */
	std::optional<std::string> get(std::optional<int64_t> imageId);

	/** Removes the image's file and index entry; the id always leaves the order. @return Whether the file was removed. */
	bool remove(std::optional<int64_t> imageId);

	/** Moves the id to the end of the order (most recently used). */
	void setAsMostRecentlyUsed(int64_t imageId);

	/** Every id in the index, in the index's order. */
	std::vector<int64_t> storedIds() const;

	/** The least recently used first. */
	std::vector<int64_t> leastRecentlyUsed() const;

	/** "tallyImage<id>". */
	static std::string imageIdToFileName(int64_t imageId);

	int64_t cacheUpdateTimestamp() const;
	void setCacheUpdateTimestamp(int64_t timestamp);
	int maxImageCached() const;
	lang::Ptr<TallyFileCache> fileCache() const;
	void setFileCache(lang::Ptr<TallyFileCache> const& fileCache);

	/** Writes "index", "maxImageCached", "lru", "cacheUpdateTimestamp". */
	void encodeWithCoder(TallyArchiver& coder) const;

	/**
	 * Reads the archive back, made consistent as above.
	 * @exception TallyArchiveError When a value is of the wrong kind.
	 */
	static lang::Ptr<TallyImageCache> initWithCoder(TallyUnarchiver const& coder);

	/** Forgets the instance (tests). */
	static void destroyInstance();

private:
	TallyImageCache() {}

	mutable std::recursive_mutex m_mutex;
	lang::Ptr<TallyFileCache> m_fileCache;
	std::map<int64_t, std::string> m_index;
	int m_maxImageCached = MAX_IMAGES_CACHED;
	std::vector<int64_t> m_lru;
	int64_t m_cacheUpdateTimestamp = 0;
};
