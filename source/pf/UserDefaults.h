#pragma once

#include <mutex>
#include <map>
#include <set>
#include <string>
#include <variant>

namespace pf
{

/**
 * The process-wide user settings: booleans, numbers and texts by key,
 * kept in "user-defaults.json" (a JSON object) in the app-data folder.
 * Changes are held in memory until synchronise() writes them. A file that
 * cannot be read or holds anything but an object of booleans, numbers and
 * strings reads as empty (logged); it is moved aside to
 * "user-defaults.json.bad" before it is replaced. A number the file cannot
 * hold (out of the range of a double when read, not finite when set) is
 * dropped with a line naming its key (the key then holds nothing), the
 * other keys kept. Numbers are
 * written in the shortest text that reads back as the same double.
 *
 * Any thread: every operation holds the object's mutex, which is
 * recursive; lock() holds it across several operations.
 */
class UserDefaults
{
public:
	/** The one instance (read from the file at its first synchronise). */
	static UserDefaults& standard();

	/** True when any value is stored under key. */
	bool hasKey(std::string const& key);

	/** The value under key when it is a boolean, else fallback. */
	bool getBoolean(std::string const& key, bool fallback = false);

	/** The value under key when it is a number, else fallback. */
	double getNumber(std::string const& key, double fallback = 0);

	/** The value under key when it is a text, else fallback. */
	std::string getString(std::string const& key, std::string const& fallback = "");

	void setBoolean(std::string const& key, bool value);
	void setNumber(std::string const& key, double value);
	void setString(std::string const& key, std::string const& value);

	/** Removes the value under key. */
	void remove(std::string const& key);

	/**
	 * Brings memory and file together: a file changed on disk since it was
	 * last read or written (or another app-data folder) is read again and
	 * the changes not yet written are applied over it; then, when there are
	 * such changes, the whole set is written (io::AppDataOutputStream).
	 * @return False when the write failed (logged; the changes stay
	 *         pending), or was not made because the app-data writes are
	 *         stopped (io::AppDataOutputStream::stopWrites: not logged again).
	 */
	bool synchronise();

	/** Forgets every value and change, so the file is read afresh (tests). */
	void reset();

	/**
	 * Holds the object's mutex until unlock(), so that a series of reads,
	 * writes and synchronise() is one step for the other threads
	 * (std::lock_guard<UserDefaults>). Wait for no other thread while it is held.
	 */
	void lock() { m_mutex.lock(); }
	void unlock() { m_mutex.unlock(); }

private:
	typedef std::variant<bool, double, std::string> Value;

	/** What identifies a version of the file on disk. */
	struct FileStamp
	{
		std::string path;
		bool exists = false;
		long long size = 0;
		long long modified = 0;
		unsigned long long inode = 0;
		bool operator==(FileStamp const&) const = default;
	};

	std::recursive_mutex m_mutex;
	std::map<std::string, Value> m_values;
	std::set<std::string> m_changed;
	FileStamp m_stamp;
	bool m_read = false;
	bool m_bad = false;

	UserDefaults() {}

	static FileStamp stampOf(std::string const& path);
	void set(std::string const& key, Value value);
	void readFile(std::string const& path);
	bool writeFile(std::string const& path);
	void refresh();

	UserDefaults(UserDefaults const&) = delete;
	UserDefaults& operator=(UserDefaults const&) = delete;
};

} // pf
