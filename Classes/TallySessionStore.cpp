// The agent's files: the current session, the saved sessions, the initial
// timestamp and the sent marker.

#include "TallyArchiver.h"
#include "TallyGuard.h"
#include "TallyLog.h"
#include "TallySession.h"
#include "TallyStorage.h"
#include "TallyStoreLock.h"
#include "TallyUnarchiver.h"
#include <io/detail/detail.h>
#include <io/std/FileUtil.h>
#include <io/std/RegularFile.h>
#include <io/std/SetAside.h>
#include <linux/TallyPlatform.h>
#include <zlib.h>
#include <climits>
#include <cfloat>
#include <mutex>
#include <sys/stat.h>

namespace
{

using Lock = std::lock_guard<lang::Mutex>;

TallyStoreLock& storeLock()
{
	return TallyStoreLock::instance();
}

using StoreLock = std::lock_guard<TallyStoreLock>;

/** The key's hash in file names: CRC-32 of its UTF-8, as a signed decimal. */
std::string keyHash()
{
	std::string key = TallySession::apiKeyForFiles();
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
	return TallySession::filePathDirectory() + "/" + stem + keyHash() + "_" + TallySession::getAgentVersion() + ".archive";
}

/** Moves an unreadable saved-sessions file aside, so that the next list written does not replace it. */
void setAsideSavedSessions(std::string const& path)
{
	std::string const moved = io::setAside(path, "the saved sessions could not be read");
	if (moved.empty())
		tallyLog("TallyAnalytics: cannot move the unreadable saved sessions [%@] aside", {path});
	else
		tallyLog("TallyAnalytics: moved the unreadable saved sessions [%@] to [%@]", {path, moved});
}

float toFloat(double value)
{
	if (value > FLT_MAX)
		return FLT_MAX;
	if (value < -FLT_MAX)
		return -FLT_MAX;
	return static_cast<float>(value);
}

} // namespace

TallyStoreLock& TallySession::savedSessionsLock()
{
	return storeLock();
}

std::string TallySession::filePathDirectory()
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

std::string TallySession::oldSessionsFilePath()
{
	return versioned("tallyStored");
}

std::string TallySession::sessionsFilePath()
{
	return chosenPath(oldSessionsFilePath(), versioned(".tallyStored"));
}

std::string TallySession::oldCurrentSessionFilePath()
{
	return versioned("tallyCurrent");
}

std::string TallySession::currentSessionFilePath()
{
	return chosenPath(oldCurrentSessionFilePath(), versioned(".tallyCurrent"));
}

std::string TallySession::oldSessionSentFilePath()
{
	return versioned("tallySent");
}

std::string TallySession::sessionSentFilePath()
{
	return chosenPath(oldSessionSentFilePath(), versioned(".tallySent"));
}

std::string TallySession::oldInitialTimestampFilePath()
{
	return filePathDirectory() + "/initialTimestamp" + keyHash() + ".archive";
}

std::string TallySession::initialTimestampFilePath()
{
	return chosenPath(oldInitialTimestampFilePath(), filePathDirectory() + "/.initialTimestamp" + keyHash() + ".archive");
}

std::string TallySession::oldAdStateCallbacksFilePath()
{
	return versioned("tallyAdStateCallbacks");
}

std::string TallySession::adStateCallbacksFilePath()
{
	return chosenPath(oldAdStateCallbacksFilePath(), versioned(".tallyAdStateCallbacks"));
}

// --- Current session ----------------------------------------------------

bool TallySession::saveToDisk()
{
	bool written = false;
	tallyGuard([&] {
		Lock lock(m_mutex);
		TallyArchiver coder;
		encodeWithCoder(coder);
		written = TallyStorage::write(currentSessionFilePath(), coder.text());
	});
	return written;
}

void TallySession::encodeWithCoder(TallyArchiver& coder)
{
	Lock lock(m_mutex);
	m_serializationVersion = 1;
	coder.encodeInteger("serializationVersion", m_serializationVersion);
	coder.encodeDate("startTime", m_startTime);
	coder.encodeDate("endTime", m_endTime);
	coder.encodeDate("pauseTime", m_pauseTime);
	coder.encodeInteger("pauseIntervalMillis", m_totalPauseIntervalMillis);
	TallyArchiver counts;
	for (auto const& [name, count] : m_eventCounts)
		counts.encodeInteger(name.c_str(), count);
	coder.encodeArchive("eventCounts", std::move(counts));
	TallyArchiver log(true);
	for (lang::Ptr<TallyEvent> const& event : m_eventLog)
	{
		TallyArchiver entry;
		event->encodeWithCoder(entry);
		log.encodeArchive(nullptr, std::move(entry));
	}
	coder.encodeArchive("eventLog", std::move(log));
	coder.encodeBool("eventLogComplete", m_eventLogComplete);
	TallyArchiver errors(true);
	for (TallyErrorRecord const& record : m_errors)
	{
		TallyArchiver entry(true);
		entry.encodeInteger(nullptr, record.number);
		entry.encodeDate(nullptr, record.time);
		entry.encodeString(nullptr, record.errorId);
		entry.encodeString(nullptr, record.message);
		entry.encodeString(nullptr, record.exceptionText);
		errors.encodeArchive(nullptr, std::move(entry));
	}
	coder.encodeArchive("errors", std::move(errors));
	coder.encodeInteger("totalErrorCount", m_totalErrorCount);
	for (auto [key, list] : {std::pair{"adLog", &m_adLog}, std::pair{"adSlotAdLog", &m_adSlotAdLog}})
	{
		TallyArchiver records(true);
		for (std::string const& record : *list)
			records.encodeData(nullptr, record);
		coder.encodeArchive(key, std::move(records));
	}
	coder.encodeReal("latitude", m_latitude);
	coder.encodeReal("longitude", m_longitude);
	coder.encodeReal("accuracy", m_accuracy);
	coder.encodeBool("crashed", m_crashed);
	coder.encodeString("apiKey", m_apiKey);
	coder.encodeString("appVersion", m_appVersion);
	coder.encodeString("userID", m_userID);
	coder.encodeInteger("pageViewCount", m_pageViewCount);
	coder.encodeString("locale", m_locale);
	coder.encodeString("timeZone", m_timeZone);
	coder.encodeBool("internetAvailable", m_internetAvailable);
	coder.encodeDate("age", m_age);
	coder.encodeInteger("gender", m_gender);
}

lang::Ptr<TallySession> TallySession::initWithCoder(TallyUnarchiver const& coder)
{
	int64_t version = coder.decodeInteger("serializationVersion", INT_MIN, INT_MAX);
	if (version > 0 && version != 1)
		throw TallyArchiveError{"version " + std::to_string(version) + " is not readable"};
	lang::Ptr<TallySession> session(new TallySession);
	TallySession& s = *session;
	s.m_serializationVersion = static_cast<int>(version);
	s.m_startTime = coder.decodeDate("startTime");
	s.m_endTime = coder.decodeDate("endTime");
	s.m_pauseTime = coder.decodeDate("pauseTime");
	s.m_totalPauseIntervalMillis = coder.decodeInteger("pauseIntervalMillis", INT64_MIN, INT64_MAX);
	if (auto counts = coder.decodeObject("eventCounts"))
		counts->forEachKey([&](std::string const& name, TallyUnarchiver const& count) {
			s.m_eventCounts[name] = static_cast<int>(count.decodeInteger("", 0, INT_MAX));
		});
	if (auto log = coder.decodeList("eventLog"))
		log->forEachElement([&](TallyUnarchiver const& entry) {
			if (!entry.decodeObject(""))
				throw TallyArchiveError{"an event is not an object"};
			s.m_eventLog.push_back(TallyEvent::initWithCoder(entry));
		});
	s.m_eventLogComplete = coder.decodeBool("eventLogComplete");
	if (auto errors = coder.decodeList("errors"))
		errors->forEachElement([&](TallyUnarchiver const& entry) {
			std::optional<TallyUnarchiver> fields = entry.decodeList("");
			if (!fields || fields->count() != 5)
				throw TallyArchiveError{"an error is not a list of five"};
			std::vector<TallyUnarchiver> parts;
			fields->forEachElement([&](TallyUnarchiver const& part) { parts.push_back(part); });
			TallyErrorRecord record;
			record.number = static_cast<int>(parts[0].decodeInteger("", INT_MIN, INT_MAX));
			record.time = parts[1].decodeDate("");
			record.errorId = *parts[2].decodeString("");
			record.message = *parts[3].decodeString("");
			record.exceptionText = *parts[4].decodeString("");
			s.m_errors.push_back(record);
		});
	s.m_totalErrorCount = static_cast<int>(coder.decodeInteger("totalErrorCount", INT_MIN, INT_MAX));
	for (auto [key, list] : {std::pair{"adLog", &s.m_adLog}, std::pair{"adSlotAdLog", &s.m_adSlotAdLog}})
		if (auto records = coder.decodeList(key))
		{
			// clang 14 cannot capture a structured binding in a lambda.
			std::vector<std::string>* const target = list;
			records->forEachElement([&](TallyUnarchiver const& entry) { target->push_back(*entry.decodeData("")); });
		}
	s.m_latitude = coder.decodeReal("latitude");
	s.m_longitude = coder.decodeReal("longitude");
	s.m_accuracy = toFloat(coder.decodeReal("accuracy"));
	s.m_crashed = coder.decodeBool("crashed");
	s.m_apiKey = coder.decodeString("apiKey").value_or("");
	s.m_appVersion = coder.decodeString("appVersion").value_or("");
	s.m_userID = coder.decodeString("userID");
	s.m_pageViewCount = static_cast<int>(coder.decodeInteger("pageViewCount", INT_MIN, INT_MAX));
	s.m_locale = coder.decodeString("locale").value_or("");
	s.m_timeZone = coder.decodeString("timeZone").value_or("");
	s.m_internetAvailable = coder.decodeBool("internetAvailable");
	s.m_age = coder.decodeDate("age");
	s.m_gender = static_cast<int>(coder.decodeInteger("gender", INT_MIN, INT_MAX));
	return session;
}

lang::Ptr<TallySession> TallySession::readCurrentSessionFile()
{
	lang::Ptr<TallySession> session;
	tallyGuard([&] {
		std::string path = currentSessionFilePath();
		std::optional<std::string> text = TallyStorage::read(path);
		if (!text)
			return;
		try
		{
			session = initWithCoder(TallyUnarchiver::parse(*text));
		}
		catch (TallyArchiveError const& e)
		{
			tallyLog("TallyAnalytics: current session [%@] is not readable: %@", {path, e.what});
		}
	});
	return session;
}

// --- Saved sessions -----------------------------------------------------

std::vector<std::string> TallySession::savedSessions()
{
	std::vector<std::string> sessions;
	tallyGuard([&] {
		StoreLock lock(storeLock());
		std::string path = sessionsFilePath();
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

bool TallySession::setSavedSessions(std::vector<std::string> const& sessions)
{
	bool written = false;
	tallyGuard([&] {
		StoreLock lock(storeLock());
		TallyArchiver list(true);
		for (std::string const& block : sessions)
			list.encodeData(nullptr, block);
		written = TallyStorage::write(sessionsFilePath(), list.text());
	});
	return written;
}

bool TallySession::addToSavedSessions(TallySession& session)
{
	bool written = false;
	tallyGuard([&] {
		tallyLog("TallyAnalytics: Add session with startTime[%@] to saved sessions", {TallyLogArg::date(session.startTime())});
		std::string block = session.data();
		StoreLock lock(storeLock());
		std::vector<std::string> sessions = savedSessions();
		sessions.push_back(block);
		removeOldSessionsIfNecessary(sessions);
		written = setSavedSessions(sessions);
	});
	return written;
}

std::vector<std::string>& TallySession::removeOldSessionsIfNecessary(std::vector<std::string>& sessions)
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

// --- Sent marker and initial timestamp ----------------------------------

bool TallySession::sentSession()
{
	bool sent = false;
	tallyGuard([&] { sent = TallyStorage::exists(sessionSentFilePath()); });
	tallyLog("TallyAnalytics: application sent session[%d]", {sent ? 1 : 0});
	return sent;
}

void TallySession::setSentSession()
{
	tallyGuard([&] {
		std::string path = sessionSentFilePath();
		if (!TallyStorage::exists(path))
			TallyStorage::write(path, "");
	});
}

TallyDate TallySession::initialTimestamp()
{
	TallyDate stamp = TallyPlatform::now();
	tallyGuard([&] {
		StoreLock lock(storeLock());
		std::string path = initialTimestampFilePath();
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
		lang::Ptr<TallySession> current = currentSession();
		if (current && current->startTime())
			stamp = *current->startTime();
		TallyStorage::write(path, std::to_string(stamp));
		tallyLog("TallyAnalytics: Initial timestamp[%@] created and saved", {TallyLogArg::date(stamp)});
	});
	return stamp;
}
