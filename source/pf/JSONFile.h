#pragma once

#include <memory>
#include <string>

struct cJSON;

namespace pf
{

/** Frees a JSON tree. */
struct JSONDeleter
{
	void operator()(cJSON* item) const;
};

/** An owned JSON tree. */
typedef std::unique_ptr<cJSON, JSONDeleter> JSONPtr;

/**
 * Reads the JSON files of the platform services (the store catalogue and
 * purchase record, the user defaults). Every failure names the file.
 * Any thread (no shared state).
 */
class JSONFile
{
public:
	/**
	 * The document in the file at path; null when the file does not exist.
	 * @exception lang::Exception "<path>: cannot be read (<the system's reason>)" or
	 *            "<path>: malformed JSON at byte N" (text after the document
	 *            counts as malformed).
	 */
	static JSONPtr read(std::string const& path);

	/** Which files read() opens. */
	enum Where
	{
		/** Whatever the path names (a shipped file may be a link). */
		ANY_PATH,
		/**
		 * A file of the save folder: only a regular file at the path itself
		 * (io::openRegularFile: a link is not followed, a FIFO or device
		 * never waited on); anything else fails "<path>: cannot be read (it
		 * is a FIFO, not a regular file)". The first read of path in a run
		 * removes what a run killed mid-save left for it
		 * (io::AppDataOutputStream::removeLeftovers).
		 */
		SAVE_FOLDER,
	};

	/** As read(path), opening the file as where says. */
	static JSONPtr read(std::string const& path, Where where);

	/**
	 * The JSON object in the file at path, as read.
	 * @exception lang::Exception Also "<path>: does not exist" and
	 *            "<path>: not a JSON object".
	 */
	static JSONPtr readObject(std::string const& path);

	/**
	 * Moves a damaged file aside (io::setAside: "<path>.bad", or
	 * "<path>.bad-2", ... when an older one is there) so that the file
	 * written next does not destroy it; logs the move.
	 * @return False when the move failed (logged).
	 */
	static bool setAside(std::string const& path);

	/**
	 * A failure in a document that parsed: "<path>: <what>".
	 * @exception lang::Exception Always.
	 */
	[[noreturn]] static void fail(std::string const& path, std::string const& what);

	/**
	 * The member name of the JSON object of a document read from path;
	 * where (empty, or ending in a space) says which part of it is read.
	 * @exception lang::Exception "<path>: <where>has no "<name>"".
	 */
	static cJSON* member(std::string const& path, cJSON const* object, char const* name, std::string const& where);

	/**
	 * The string member name, as member.
	 * @exception lang::Exception Also "<path>: <where>"<name>" is not a string".
	 */
	static std::string text(std::string const& path, cJSON const* object, char const* name, std::string const& where);

	/**
	 * The boolean member name, as member.
	 * @exception lang::Exception Also "<path>: <where>"<name>" is not a boolean".
	 */
	static bool flag(std::string const& path, cJSON const* object, char const* name, std::string const& where);
};

} // pf
