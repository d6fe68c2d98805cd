#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>

/**
 * A small notification centre: observers register a function for a name,
 * posting a name calls them on the posting thread. Thread-safe; observers
 * are called outside the centre's lock.
 */
class TallyNotificationCenter
{
public:
	/** The process-wide centre; it lives until the process ends, exit handlers included. */
	static TallyNotificationCenter& defaultCenter();

	/** Calls observer on every post of name. @return A token for removeObserver(). */
	int addObserver(std::string const& name, std::function<void()> observer);

	/** Stops the observer of the token; nothing for an unknown token. */
	void removeObserver(int token);

	/** Calls the observers of name. */
	void post(std::string const& name);

private:
	std::mutex m_mutex;
	int m_nextToken = 1;
	std::map<int, std::pair<std::string, std::function<void()>>> m_observers;
};
