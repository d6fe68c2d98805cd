#pragma once

#include <io/OutputStream.h>
#include <lang/Ptr.h>
#include <string>

namespace io
{

/**
 * Output stream that saves a file of the app-data folder (see
 * io::detail::appdataPath) without ever losing the previous version:
 * the bytes go to the name with ".tmp" appended, and only when that file
 * has been written, flushed, synced and closed without error does it
 * replace the target. Otherwise the ".tmp" file is removed and the old
 * file stays as it was.
 *
 * close() commits and reports failure; the destructor commits when close()
 * was not called, and then failures are only logged.
 */
class AppDataOutputStream : public OutputStream
{
public:
	/**
	 * Opens "<app-data folder>/<name>.tmp" (one leading "/" of name is
	 * ignored), creating the app-data folder when needed.
	 * @exception IOException "Failed to open {0} for writing, with errno {1}".
	 */
	explicit AppDataOutputStream(std::string const& name);

	~AppDataOutputStream() override;

	/**
	 * Writes all the bytes.
	 * @exception IOException "Failed to write {0} bytes to {1}"; the save
	 *            then fails when the stream is closed.
	 */
	void write(void const* data, int size) override;

	/**
	 * Commits the save: flush, sync, close and rename over the target.
	 * Closing twice does nothing (the second call does not report again).
	 * @exception IOException When any step failed or an earlier write failed;
	 *            the old file is then intact and the ".tmp" file removed.
	 */
	void close();

	/** The full path of the target (without ".tmp"). */
	std::string toString() const override;

	class Impl;

private:
	lang::Ptr<Impl> m_impl;
};

} // io
