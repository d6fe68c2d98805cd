#pragma once

#include <lang/Object.h>
#include <lang/Ptr.h>
#include <string>

namespace pf
{

class LauncherImpl;

/**
 * Opens addresses with the desktop's programs ("xdg-open", started
 * without a shell and never waited for) and composes mail as a "mailto:"
 * address. Main thread.
 */
class Launcher : public lang::Object
{
public:
	Launcher();
	~Launcher() override;

	/**
	 * Starts "xdg-open url" when url begins with a scheme (a letter, then
	 * letters, digits, "+", "-" or ".", then ":"); does not wait for it.
	 * @return True when the program was started.
	 */
	bool openURL(std::string const& url);

	/**
	 * Whether an address of the scheme that url begins with ("s://") can be
	 * opened: always for "http", "https" and "mailto", else when
	 * "xdg-mime query default x-scheme-handler/s" names a program. The
	 * answer per scheme is kept for the life of this launcher.
	 */
	bool canOpenProgram(std::string const& url);

	/**
	 * Opens a new mail to recipient with subject and body through
	 * openURL("mailto:..."), each part percent-encoded.
	 */
	bool sendEmail(std::string const& recipient, std::string const& subject, std::string const& body);

	/** Collects the programs started that have ended; with wait, waits for all of them first (tests). */
	static void reapChildren(bool wait);

	/** True when text begins with a scheme and ":". */
	static bool hasScheme(std::string const& text);

private:
	lang::Ptr<LauncherImpl> m_impl;

	Launcher(Launcher const&) = delete;
	Launcher& operator=(Launcher const&) = delete;
};

} // pf
