#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace pf
{

/**
 * The files of the local game centre: the catalogue
 * "gamecenter-catalogue.json" in the bundle folder, read at each request:
 *   {"leaderboards": [{"category", "title", "order": "high" | "low"}],
 *    "achievements": [{"id", "title", "achievedText", "hidden": bool}]}
 * (the first entry of a repeated category or id counts), and the player's
 * progress "gamecenter-player.json" in the app-data folder:
 *   {"scores": {"<category>": whole number}, "achievements": {"<id>": 0 to 100}}.
 * Errors name the file and what is wrong. Main thread.
 */
class LocalPlayerFiles
{
public:
	struct Leaderboard
	{
		std::string category;
		std::string title;
		/** The lowest score is the best. */
		bool lowFirst = false;
	};

	struct Achievement
	{
		std::string id;
		std::string title;
		std::string achievedText;
		bool hidden = false;
	};

	struct Catalogue
	{
		std::vector<Leaderboard> leaderboards;
		std::vector<Achievement> achievements;

		/** The leaderboard or achievement of that name; null when it is not listed. */
		Leaderboard const* leaderboard(std::string const& category) const;
		Achievement const* achievement(std::string const& id) const;
	};

	struct Progress
	{
		std::map<std::string, int64_t> scores;
		std::map<std::string, double> achievements;
	};

	/**
	 * The catalogue.
	 * @exception lang::Exception When it is missing, malformed or of wrong types.
	 */
	static Catalogue readCatalogue();

	/**
	 * The player's progress; empty when there is none. A file that cannot
	 * be read is logged, moved aside ("gamecenter-player.json.bad") and
	 * counts as empty.
	 */
	static Progress readProgress();

	/**
	 * Replaces the player's progress.
	 * @exception lang::Throwable When it cannot be written (the old file stays).
	 */
	static void writeProgress(Progress const& progress);

	static std::string cataloguePath();
	static std::string progressPath();
};

} // pf
