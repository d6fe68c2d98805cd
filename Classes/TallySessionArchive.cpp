#include "TallySessionArchive.h"
#include "TallyArchiver.h"
#include "TallyUnarchiver.h"
#include <cfloat>
#include <climits>

namespace
{

/** The value as a float, held to the float's range. */
float toFiniteFloat(double value)
{
	if (value > FLT_MAX)
		return FLT_MAX;
	if (value < -FLT_MAX)
		return -FLT_MAX;
	return static_cast<float>(value);
}

} // namespace

void TallySessionArchive::encode(TallySessionState& s, TallyArchiver& coder)
{
	s.serializationVersion = 1;
	coder.encodeInteger("serializationVersion", s.serializationVersion);
	coder.encodeDate("startTime", s.startTime);
	coder.encodeDate("endTime", s.endTime);
	coder.encodeDate("pauseTime", s.pauseTime);
	coder.encodeInteger("pauseIntervalMillis", s.totalPauseIntervalMillis);
	TallyArchiver counts;
	for (auto const& [name, count] : s.eventCounts)
		counts.encodeInteger(name.c_str(), count);
	coder.encodeArchive("eventCounts", std::move(counts));
	TallyArchiver log(true);
	for (lang::Ptr<TallyEvent> const& event : s.eventLog)
	{
		TallyArchiver entry;
		event->encodeWithCoder(entry);
		log.encodeArchive(nullptr, std::move(entry));
	}
	coder.encodeArchive("eventLog", std::move(log));
	coder.encodeBool("eventLogComplete", s.eventLogComplete);
	TallyArchiver errors(true);
	for (TallyErrorRecord const& record : s.errors)
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
	coder.encodeInteger("totalErrorCount", s.totalErrorCount);
	for (auto [key, list] : {std::pair{"adLog", &s.adLog}, std::pair{"adSlotAdLog", &s.adSlotAdLog}})
	{
		TallyArchiver records(true);
		for (std::string const& record : *list)
			records.encodeData(nullptr, record);
		coder.encodeArchive(key, std::move(records));
	}
	coder.encodeReal("latitude", s.latitude);
	coder.encodeReal("longitude", s.longitude);
	coder.encodeReal("accuracy", s.accuracy);
	coder.encodeBool("crashed", s.crashed);
	coder.encodeString("apiKey", s.apiKey);
	coder.encodeString("appVersion", s.appVersion);
	coder.encodeString("userID", s.userID);
	coder.encodeInteger("pageViewCount", s.pageViewCount);
	coder.encodeString("locale", s.locale);
	coder.encodeString("timeZone", s.timeZone);
	coder.encodeBool("internetAvailable", s.internetAvailable);
	coder.encodeDate("age", s.age);
	coder.encodeInteger("gender", s.gender);
}

int TallySessionArchive::readableVersion(TallyUnarchiver const& coder)
{
	int64_t version = coder.decodeInteger("serializationVersion", INT_MIN, INT_MAX);
	if (version > 0 && version != 1)
		throw TallyArchiveError{"version " + std::to_string(version) + " is not readable"};
	return static_cast<int>(version);
}

void TallySessionArchive::decode(TallyUnarchiver const& coder, int version, TallySessionState& s)
{
	s.serializationVersion = version;
	s.startTime = coder.decodeDate("startTime");
	s.endTime = coder.decodeDate("endTime");
	s.pauseTime = coder.decodeDate("pauseTime");
	s.totalPauseIntervalMillis = coder.decodeInteger("pauseIntervalMillis", INT64_MIN, INT64_MAX);
	if (auto counts = coder.decodeObject("eventCounts"))
		counts->forEachKey([&](std::string const& name, TallyUnarchiver const& count) {
			s.eventCounts[name] = static_cast<int>(count.decodeInteger("", 0, INT_MAX));
		});
	if (auto log = coder.decodeList("eventLog"))
		log->forEachElement([&](TallyUnarchiver const& entry) {
			if (!entry.decodeObject(""))
				throw TallyArchiveError{"an event is not an object"};
			s.eventLog.push_back(TallyEvent::initWithCoder(entry));
		});
	s.eventLogComplete = coder.decodeBool("eventLogComplete");
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
			s.errors.push_back(record);
		});
	s.totalErrorCount = static_cast<int>(coder.decodeInteger("totalErrorCount", INT_MIN, INT_MAX));
	for (auto [key, list] : {std::pair{"adLog", &s.adLog}, std::pair{"adSlotAdLog", &s.adSlotAdLog}})
		if (auto records = coder.decodeList(key))
		{
			// clang 14 cannot capture a structured binding in a lambda.
			std::vector<std::string>* const target = list;
			records->forEachElement([&](TallyUnarchiver const& entry) { target->push_back(*entry.decodeData("")); });
		}
	s.latitude = coder.decodeReal("latitude");
	s.longitude = coder.decodeReal("longitude");
	s.accuracy = toFiniteFloat(coder.decodeReal("accuracy"));
	s.crashed = coder.decodeBool("crashed");
	s.apiKey = coder.decodeString("apiKey").value_or("");
	s.appVersion = coder.decodeString("appVersion").value_or("");
	s.userID = coder.decodeString("userID");
	s.pageViewCount = static_cast<int>(coder.decodeInteger("pageViewCount", INT_MIN, INT_MAX));
	s.locale = coder.decodeString("locale").value_or("");
	s.timeZone = coder.decodeString("timeZone").value_or("");
	s.internetAvailable = coder.decodeBool("internetAvailable");
	s.age = coder.decodeDate("age");
	s.gender = static_cast<int>(coder.decodeInteger("gender", INT_MIN, INT_MAX));
}
