#include "LocalPlayerFiles.h"
#include <pf/JSONFile.h>
#include <io/detail/detail.h>
#include <io/std/AppDataOutputStream.h>
#include <io/std/FileUtil.h>
#include <lang/Debug.h>
#include <lang/Throwable.h>
#include <util/JSONPrint.h>
#include <cjson/cJSON.h>
#include <cmath>
#include <new>

namespace pf
{

namespace
{

char const* const CATALOGUE = "gamecenter-catalogue.json";
char const* const PROGRESS = "gamecenter-player.json";

cJSON* array(std::string const& path, cJSON const* object, char const* name)
{
	cJSON* item = JSONFile::member(path, object, name, "");
	if (!cJSON_IsArray(item))
		JSONFile::fail(path, std::string("\"") + name + "\" is not an array");
	return item;
}

/** The object of name in object, or null when there is none. */
cJSON* optionalObject(std::string const& path, cJSON const* object, char const* name)
{
	cJSON* item = cJSON_GetObjectItemCaseSensitive(object, name);
	if (item && !cJSON_IsObject(item))
		JSONFile::fail(path, std::string("\"") + name + "\" is not an object");
	return item;
}

LocalPlayerFiles::Leaderboard readLeaderboard(std::string const& path, cJSON const* entry, std::string const& where)
{
	if (!cJSON_IsObject(entry))
		JSONFile::fail(path, where + "is not an object");
	LocalPlayerFiles::Leaderboard board;
	board.category = JSONFile::text(path, entry, "category", where);
	if (board.category.empty())
		JSONFile::fail(path, where + "has an empty category");
	board.title = JSONFile::text(path, entry, "title", where);
	std::string const order = JSONFile::text(path, entry, "order", where);
	if (order != "high" && order != "low")
		JSONFile::fail(path, where + "has the unknown order \"" + order + "\"");
	board.lowFirst = order == "low";
	return board;
}

LocalPlayerFiles::Achievement readAchievement(std::string const& path, cJSON const* entry, std::string const& where)
{
	if (!cJSON_IsObject(entry))
		JSONFile::fail(path, where + "is not an object");
	LocalPlayerFiles::Achievement achievement;
	achievement.id = JSONFile::text(path, entry, "id", where);
	if (achievement.id.empty())
		JSONFile::fail(path, where + "has an empty id");
	achievement.title = JSONFile::text(path, entry, "title", where);
	achievement.achievedText = JSONFile::text(path, entry, "achievedText", where);
	achievement.hidden = JSONFile::flag(path, entry, "hidden", where);
	return achievement;
}

LocalPlayerFiles::Progress parseProgress(std::string const& path)
{
	LocalPlayerFiles::Progress progress;
	JSONPtr document = JSONFile::read(path, JSONFile::SAVE_FOLDER);
	if (!document)
		return progress;
	if (!cJSON_IsObject(document.get()))
		JSONFile::fail(path, "not a JSON object");
	if (cJSON* scores = optionalObject(path, document.get(), "scores"))
	{
		for (cJSON* entry = scores->child; entry; entry = entry->next)
		{
			double const value = cJSON_IsNumber(entry) ? entry->valuedouble : NAN;
			// Whole numbers within 64 bits; 2^63 is where a saturated score lands.
			if (!(value == std::floor(value) && value >= -9223372036854775808.0 && value <= 9223372036854775808.0))
				JSONFile::fail(path, std::string("the score of \"") + entry->string + "\" is not a whole number");
			progress.scores[entry->string] = value >= 9223372036854775808.0 ? INT64_MAX : static_cast<int64_t>(value);
		}
	}
	if (cJSON* achievements = optionalObject(path, document.get(), "achievements"))
	{
		for (cJSON* entry = achievements->child; entry; entry = entry->next)
		{
			double const value = cJSON_IsNumber(entry) ? entry->valuedouble : NAN;
			if (!(value >= 0.0 && value <= 100.0))
				JSONFile::fail(path, std::string("the progress of \"") + entry->string + "\" is not between 0 and 100");
			progress.achievements[entry->string] = value;
		}
	}
	return progress;
}

} // namespace

LocalPlayerFiles::Leaderboard const* LocalPlayerFiles::Catalogue::leaderboard(std::string const& category) const
{
	for (Leaderboard const& board : leaderboards)
	{
		if (board.category == category)
			return &board;
	}
	return nullptr;
}

LocalPlayerFiles::Achievement const* LocalPlayerFiles::Catalogue::achievement(std::string const& id) const
{
	for (Achievement const& entry : achievements)
	{
		if (entry.id == id)
			return &entry;
	}
	return nullptr;
}

std::string LocalPlayerFiles::cataloguePath()
{
	return io::detail::constructPath(io::detail::bundlePath(), CATALOGUE);
}

std::string LocalPlayerFiles::progressPath()
{
	return io::detail::constructPath(io::detail::appdataPath(), PROGRESS);
}

LocalPlayerFiles::Catalogue LocalPlayerFiles::readCatalogue()
{
	std::string const path = cataloguePath();
	JSONPtr document = JSONFile::readObject(path);
	Catalogue catalogue;
	int index = 0;
	for (cJSON* entry = array(path, document.get(), "leaderboards")->child; entry; entry = entry->next, ++index)
	{
		Leaderboard board = readLeaderboard(path, entry, "leaderboard " + std::to_string(index) + " ");
		if (!catalogue.leaderboard(board.category))
			catalogue.leaderboards.push_back(board);
	}
	index = 0;
	for (cJSON* entry = array(path, document.get(), "achievements")->child; entry; entry = entry->next, ++index)
	{
		Achievement achievement = readAchievement(path, entry, "achievement " + std::to_string(index) + " ");
		if (!catalogue.achievement(achievement.id))
			catalogue.achievements.push_back(achievement);
	}
	return catalogue;
}

LocalPlayerFiles::Progress LocalPlayerFiles::readProgress()
{
	std::string const path = progressPath();
	try
	{
		return parseProgress(path);
	}
	catch (lang::Throwable const& e)
	{
		lang::Debug::printf("%s\n", e.getMessage().format().c_str());
		JSONFile::setAside(path);
		return Progress();
	}
}

void LocalPlayerFiles::writeProgress(Progress const& progress)
{
	JSONPtr document(cJSON_CreateObject());
	cJSON* scores = cJSON_AddObjectToObject(document.get(), "scores");
	for (auto const& score : progress.scores)
		cJSON_AddNumberToObject(scores, score.first.c_str(), static_cast<double>(score.second));
	cJSON* achievements = cJSON_AddObjectToObject(document.get(), "achievements");
	for (auto const& achievement : progress.achievements)
		cJSON_AddNumberToObject(achievements, achievement.first.c_str(), achievement.second);
	std::string out;
	try
	{
		out = util::printJSON(document.get(), true);
	}
	catch (std::bad_alloc const&)
	{
		JSONFile::fail(progressPath(), "cannot be written (out of memory)");
	}
	io::AppDataOutputStream stream(PROGRESS);
	stream.write(out.data(), static_cast<int>(out.size()));
	stream.close();
}

} // pf
