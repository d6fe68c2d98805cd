// The saved sessions, the sent marker and the initial timestamp.

#include "TallySessionFiles.h"
#include "TallyArchiver.h"
#include "TallyFilePaths.h"
#include "TallyGuard.h"
#include "TallyLog.h"
#include "TallyStorage.h"
#include "TallyUnarchiver.h"
#include <io/std/SetAside.h>
#include <linux/TallyPlatform.h>
#include <algorithm>
#include <atomic>
#include <mutex>

namespace
{

std::atomic<int> s_maxSessions(50);

TallyStoreLock& storeLock()
{
	return TallyStoreLock::instance();
}

using StoreLock = std::lock_guard<TallyStoreLock>;

/** Moves an unreadable saved-sessions file aside, so that the next list written does not replace it. */
void setAsideSavedSessions(std::string const& path)
{
	std::string const moved = io::setAside(path, "the saved sessions could not be read");
	if (moved.empty())
		tallyLog("TallyAnalytics: cannot move the unreadable saved sessions [%@] aside", {path});
	else
		tallyLog("TallyAnalytics: moved the unreadable saved sessions [%@] to [%@]", {path, moved});
}

} // namespace

void TallySessionFiles::setMaxSessions(int maxSessions)
{
	s_maxSessions = maxSessions < 0 ? 0 : maxSessions > 65534 ? 65534 : maxSessions;
}

int TallySessionFiles::maxSessions()
{
	return s_maxSessions;
}

TallyStoreLock& TallySessionFiles::savedSessionsLock()
{
	return storeLock();
}

// --- Saved sessions -----------------------------------------------------

std::vector<std::string> TallySessionFiles::savedSessions()
{
	std::vector<std::string> sessions;
	tallyGuard([&] {
		StoreLock lock(storeLock());
		std::string path = TallyFilePaths::sessionsFilePath();
		std::optional<std::string> text = TallyStorage::read(path);
		if (!text)
		{
			// There but not readable (too large, not a file, a read error).
			if (TallyStorage::exists(path))
				setAsideSavedSessions(path);
			return;
		}
		try
		{
			TallyUnarchiver list = TallyUnarchiver::parse(*text, true);
			size_t dropped = 0;
			list.forEachElement([&](TallyUnarchiver const& entry) {
				try
				{
					sessions.push_back(*entry.decodeData(""));
				}
				catch (TallyArchiveError const&)
				{
					++dropped;
				}
			});
			if (dropped)
				tallyLog("TallyAnalytics: saved sessions [%@]: %d entries are not Base64 and were dropped", {path, static_cast<int64_t>(dropped)});
		}
		catch (TallyArchiveError const& e)
		{
			tallyLog("TallyAnalytics: saved sessions [%@] are not readable: %@", {path, e.what});
			setAsideSavedSessions(path);
		}
	});
	return sessions;
}

bool TallySessionFiles::setSavedSessions(std::vector<std::string> const& sessions)
{
	bool written = false;
	tallyGuard([&] {
		StoreLock lock(storeLock());
		TallyArchiver list(true);
		for (std::string const& block : sessions)
			list.encodeData(nullptr, block);
		written = TallyStorage::write(TallyFilePaths::sessionsFilePath(), list.text());
	});
	return written;
}

bool TallySessionFiles::addToSavedSessions(TallyOptionalDate startTime, std::string const& block)
{
	bool written = false;
	tallyGuard([&] {
		tallyLog("TallyAnalytics: Add session with startTime[%@] to saved sessions", {TallyLogArg::date(startTime)});
		StoreLock lock(storeLock());
		std::vector<std::string> sessions = savedSessions();
		sessions.push_back(block);
		removeOldSessionsIfNecessary(sessions);
		written = setSavedSessions(sessions);
	});
	return written;
}

std::vector<std::string>& TallySessionFiles::removeOldSessionsIfNecessary(std::vector<std::string>& sessions)
{
	size_t limit = static_cast<size_t>(maxSessions());
	if (sessions.size() > limit)
	{
		tallyLog("TallyAnalytics: Max sessions allowed[%d] exceeded", {static_cast<int>(limit)});
		size_t excess = sessions.size() - limit;
		tallyLog("TallyAnalytics: Removing [%d] sessions from saved sessions", {static_cast<int64_t>(excess)});
		sessions.erase(sessions.begin(), sessions.begin() + static_cast<std::ptrdiff_t>(excess));
	}
	size_t bytes = 0;
	for (std::string const& block : sessions)
		bytes += block.size();
	size_t excess = 0;
	while (bytes > MAX_SAVED_SESSION_BYTES && sessions.size() - excess > 1)
		bytes -= sessions[excess++].size();
	if (excess)
	{
		tallyLog("TallyAnalytics: Saved sessions pass [%d] bytes; removing the [%d] oldest",
		         {static_cast<int64_t>(MAX_SAVED_SESSION_BYTES), static_cast<int64_t>(excess)});
		sessions.erase(sessions.begin(), sessions.begin() + static_cast<std::ptrdiff_t>(excess));
	}
	return sessions;
}

void TallySessionFiles::removeFromSavedSessions(std::vector<std::string> const& sent)
{
	tallyGuard([&] {
		StoreLock lock(storeLock());
		std::vector<std::string> sessions = savedSessions();
		for (std::string const& block : sent)
		{
			auto found = std::find(sessions.begin(), sessions.end(), block);
			if (found != sessions.end())
				sessions.erase(found);
		}
		setSavedSessions(sessions);
	});
}

// --- Sent marker and initial timestamp ----------------------------------

bool TallySessionFiles::sentSession()
{
	bool sent = false;
	tallyGuard([&] { sent = TallyStorage::exists(TallyFilePaths::sessionSentFilePath()); });
	tallyLog("TallyAnalytics: application sent session[%d]", {sent ? 1 : 0});
	return sent;
}

void TallySessionFiles::setSentSession()
{
	tallyGuard([&] {
		std::string path = TallyFilePaths::sessionSentFilePath();
		if (!TallyStorage::exists(path))
			TallyStorage::write(path, "");
	});
}

TallyDate TallySessionFiles::initialTimestamp(TallyOptionalDate currentStart)
{
	TallyDate stamp = TallyPlatform::now();
	tallyGuard([&] {
		StoreLock lock(storeLock());
		std::string path = TallyFilePaths::initialTimestampFilePath();
		if (std::optional<std::string> text = TallyStorage::read(path))
		{
			if (TallyOptionalDate saved = tallyParseDate(*text))
			{
				stamp = *saved;
				tallyLog("TallyAnalytics: Initial timestamp[%@] from saved source", {TallyLogArg::date(stamp)});
				return;
			}
			tallyLog("TallyAnalytics: initial timestamp [%@] is not readable", {path});
		}
		if (currentStart)
			stamp = *currentStart;
		TallyStorage::write(path, std::to_string(stamp));
		tallyLog("TallyAnalytics: Initial timestamp[%@] created and saved", {TallyLogArg::date(stamp)});
	});
	return stamp;
}
