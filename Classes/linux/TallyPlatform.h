#pragma once

#include <TallyDate.h>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

/**
 * What the agent asks of the system, answered on Linux: the clock, its
 * folders, device and system descriptions, locale and time zone, the screen
 * and its orientation, and the mark that keeps a file out of backups.
 *
 * Every value can be replaced (tests, and the shell for the screen and the
 * orientation) through set(); a value left unset is read from the system
 * on each call. System texts are cut to 64 bytes and keep printable ASCII
 * only. All operations are thread-safe.
 */
class TallyPlatform
{
public:
	/** Replacements; an unset field keeps the system's answer. */
	struct Values
	{
		std::function<TallyDate()> clock;
		std::optional<std::string> libraryPath;
		std::optional<std::string> cachesPath;
		std::optional<std::string> userDataPath;
		std::optional<std::string> systemVersion;
		std::optional<std::string> devicePlatform;
		std::optional<int64_t> deviceMemory;
		std::optional<int64_t> deviceCPUFrequency;
		std::optional<std::string> localeIdentifier;
		std::optional<std::string> timeZoneName;
		std::optional<std::string> bundleVersion;
		std::optional<bool> isIPad;
	};

	/**
	 * Replaces the values (all of them: an unset field returns to the
	 * system's answer). Also forgets the kept system version of TallyUtil.
	 */
	static void set(Values const& values);

	/** Now: lang::System::currentTimeMicros unless replaced. */
	static TallyDate now();

	/** The Library folder: the app-data folder (io::detail::appdataPath). */
	static std::string libraryPath();

	/** The Caches folder: io::detail::cachesPath. */
	static std::string cachesPath();

	/**
	 * The user's data folder, shared by all the user's applications:
	 * $XDG_DATA_HOME when it is an absolute path, else ~/.local/share.
	 */
	static std::string userDataPath();

	/** Shows a message with one dismiss button: the alert hook, by default one line on stderr. */
	static void showAlert(std::string const& title, std::string const& message, std::string const& button);

	/** Replaces the alert hook; an empty function restores the stderr line. */
	static void setAlertHook(std::function<void(std::string const& title, std::string const& message, std::string const& button)> hook);

	/** The system version text: uname's release (such as "6.1.0-18-amd64"). */
	static std::string systemVersion();

	/** The hardware model: the DMI product name, else uname's machine. */
	static std::string devicePlatform();

	/** Physical memory in whole megabytes; 0 when unknown. */
	static int64_t deviceMemory();

	/** The first processor's highest clock in Hz; 0 when unknown. */
	static int64_t deviceCPUFrequency();

	/**
	 * The locale: LC_ALL, LC_MESSAGES or LANG (the first set) up to "." or
	 * "@"; "en_US_POSIX" for "C", "POSIX" or none.
	 */
	static std::string localeIdentifier();

	/** The time zone: $TZ, else /etc/localtime's name below "zoneinfo/", else "UTC". */
	static std::string timeZoneName();

	/** The application's bundle version; "" unless set. */
	static std::string bundleVersion();

	/** True: this program stands in for the tablet build. */
	static bool isIPad();

	/**
	 * The status-bar orientation: 1 portrait (the start), 2 upside down,
	 * 3 landscape right, 4 landscape left.
	 */
	static int statusBarOrientation();

	/** Set by the shell when the orientation changes. */
	static void setStatusBarOrientation(int orientation);

	/** The main screen's size in points, none (the start) when there is no main screen. */
	static std::optional<std::pair<double, double>> mainScreenSize();

	/** Set by the shell; none removes the screen. */
	static void setMainScreenSize(std::optional<std::pair<double, double>> size);

	/**
	 * Marks the file to be left out of backups: the extended attribute
	 * "user.com.apple.MobileBackup" set to the byte 1.
	 * @return False where the file system refuses it.
	 */
	static bool setBackupMark(std::string const& path);

	/** Cuts text to 64 bytes and drops bytes outside printable ASCII. */
	static std::string cleanSystemText(std::string const& text);
};
