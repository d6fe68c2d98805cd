#pragma once

#include <string>

/**
 * Where the agent keeps its files: the folder and the names of the current
 * session, the saved sessions, the sent marker, the initial timestamp and
 * the ad-state callbacks. Names carry the hash of the key the agent was
 * started with and the agent version; a file under the older undotted name
 * is used while it exists. Any thread.
 */
class TallyFilePaths
{
public:
	/** The agent version. */
	static constexpr int AGENT_VERSION = 89;

	/** "89". */
	static std::string getAgentVersion();

	/** Keeps the key whose hash goes into the file names (the session start does). */
	static void setApiKeyForFiles(std::string const& apiKey);

	/** The key given to setApiKeyForFiles(), "" before. */
	static std::string apiKeyForFiles();

	/**
	 * The folder of the agent's files (created): Library/TallyFiles above
	 * system 5.0, else Caches. Anything at its name that is not a folder
	 * (a link, a FIFO, a file) is set aside first (io::setAside).
	 */
	static std::string filePathDirectory();
	static std::string sessionsFilePath();
	static std::string currentSessionFilePath();
	static std::string sessionSentFilePath();
	static std::string initialTimestampFilePath();
	static std::string adStateCallbacksFilePath();
	static std::string oldSessionsFilePath();
	static std::string oldCurrentSessionFilePath();
	static std::string oldSessionSentFilePath();
	static std::string oldInitialTimestampFilePath();
	static std::string oldAdStateCallbacksFilePath();
};
