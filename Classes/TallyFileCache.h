#pragma once

#include <TallyArchiver.h>
#include <TallyUnarchiver.h>
#include <lang/Object.h>
#include <lang/Ptr.h>
#include <optional>
#include <string>

/**
 * Archived objects kept as files per application key, in the folder
 * "<caches>/Tally": "tallyCache_<prefix>_<key>_<version>.archive", the
 * version empty when the object is not tied to the agent version. Prefix
 * and key are escaped: a byte outside A-Z a-z 0-9 . - _ becomes "%XX", so a
 * name never leaves the folder. One process-wide instance; thread-safe.
 */
class TallyFileCache : public lang::Object
{
public:
	/** Makes the instance on first call; later calls answer it unchanged. */
	static lang::Ptr<TallyFileCache> createInstanceWithApiKey(std::string const& apiKey, std::string const& agentVersion);

	/** The instance, null before createInstanceWithApiKey(). */
	static lang::Ptr<TallyFileCache> instance();

	/** The folder, created when missing. */
	std::string createDirectoryPath() const;

	/** The file of an object. */
	std::string createFilePath(std::string const& prefix, bool forCurentAgentVersion) const;

	/** Writes the object. @return Its path, none when it could not be written. */
	std::optional<std::string> save(TallyArchiver const& object, std::string const& prefix, bool forCurentAgentVersion = true) const;

	/** The object saved under the prefix; none when missing or damaged. */
	std::optional<TallyUnarchiver> get(std::string const& prefix, bool forCurentAgentVersion = true) const;

	/** Removes the object's file. @return Whether it was removed. */
	bool remove(std::string const& prefix, bool forCurentAgentVersion = true) const;

	/** Removes the folder with everything in it. @return Whether it was removed. */
	bool removeCache() const;

	std::string const& apiKey() const { return m_apiKey; }
	std::string const& agentVersion() const { return m_agentVersion; }

	/** Forgets the instance (tests). */
	static void destroyInstance();

private:
	TallyFileCache(std::string const& apiKey, std::string const& agentVersion);

	std::string m_apiKey;
	std::string m_agentVersion;
};
