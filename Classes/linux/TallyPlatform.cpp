#include "TallyPlatform.h"
#include <TallyUtil.h>
#include <io/detail/detail.h>
#include <lang/System.h>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sys/utsname.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace
{

/** The values set, under their lock. */
struct PlatformState
{
	std::mutex mutex;
	TallyPlatform::Values values;
	int orientation = 1;
	std::optional<std::pair<double, double>> screen;
};

/** Never destroyed: send threads may still ask for the values while the process exits. */
PlatformState& platformState()
{
	static PlatformState* const s_state = new PlatformState;
	return *s_state;
}

// Whether the values hold a clock: the system clock is read without the lock.
std::atomic<bool> s_clockReplaced(false);

/** The first line of a small system file, or "" when it cannot be read. */
std::string firstLine(char const* path)
{
	std::ifstream in(path);
	std::string line;
	if (in)
		std::getline(in, line);
	return line.substr(0, 256);
}

template <class T>
std::optional<T> replaced(std::optional<T> TallyPlatform::Values::*field)
{
	PlatformState& s = platformState();
	std::lock_guard<std::mutex> lock(s.mutex);
	return s.values.*field;
}

} // namespace

std::string TallyPlatform::cleanSystemText(std::string const& text)
{
	std::string out;
	for (char c : text)
	{
		if (out.size() >= 64)
			break;
		if (c >= 0x20 && c < 0x7F)
			out += c;
	}
	return out;
}

void TallyPlatform::set(Values const& values)
{
	{
		PlatformState& s = platformState();
		std::lock_guard<std::mutex> lock(s.mutex);
		s.values = values;
		s_clockReplaced = static_cast<bool>(values.clock);
	}
	TallyUtil::forgetSystemVersion();
}

TallyDate TallyPlatform::now()
{
	if (!s_clockReplaced.load(std::memory_order_acquire))
		return lang::System::currentTimeMicros();
	std::function<TallyDate()> clock;
	{
		PlatformState& s = platformState();
		std::lock_guard<std::mutex> lock(s.mutex);
		clock = s.values.clock;
	}
	return clock ? clock() : lang::System::currentTimeMicros();
}

std::string TallyPlatform::libraryPath()
{
	if (auto v = replaced(&Values::libraryPath))
		return *v;
	return io::detail::appdataPath();
}

std::string TallyPlatform::userDataPath()
{
	if (auto v = replaced(&Values::userDataPath))
		return *v;
	char const* xdg = getenv("XDG_DATA_HOME");
	if (xdg && *xdg == '/')
		return xdg;
	char const* home = getenv("HOME");
	return std::string(home && *home ? home : ".") + "/.local/share";
}

namespace
{

std::function<void(std::string const&, std::string const&, std::string const&)>& alertHook()
{
	static auto* s_hook = new std::function<void(std::string const&, std::string const&, std::string const&)>;
	return *s_hook;
}

} // namespace

void TallyPlatform::showAlert(std::string const& title, std::string const& message, std::string const& button)
{
	std::function<void(std::string const&, std::string const&, std::string const&)> hook;
	{
		std::lock_guard<std::mutex> lock(platformState().mutex);
		hook = alertHook();
	}
	if (hook)
		hook(title, message, button);
	else
		std::fprintf(stderr, "Alert: [%s] %s [%s]\n", title.c_str(), message.c_str(), button.c_str());
}

void TallyPlatform::setAlertHook(std::function<void(std::string const& title, std::string const& message, std::string const& button)> hook)
{
	std::lock_guard<std::mutex> lock(platformState().mutex);
	alertHook() = std::move(hook);
}

std::string TallyPlatform::cachesPath()
{
	if (auto v = replaced(&Values::cachesPath))
		return *v;
	return io::detail::cachesPath();
}

std::string TallyPlatform::systemVersion()
{
	if (auto v = replaced(&Values::systemVersion))
		return *v;
	struct utsname names;
	if (uname(&names) != 0)
		return "";
	return cleanSystemText(names.release);
}

std::string TallyPlatform::devicePlatform()
{
	if (auto v = replaced(&Values::devicePlatform))
		return *v;
	std::string product = cleanSystemText(firstLine("/sys/class/dmi/id/product_name"));
	if (!product.empty())
		return product;
	struct utsname names;
	if (uname(&names) != 0)
		return "";
	return cleanSystemText(names.machine);
}

int64_t TallyPlatform::deviceMemory()
{
	if (auto v = replaced(&Values::deviceMemory))
		return *v;
	long pages = sysconf(_SC_PHYS_PAGES);
	long size = sysconf(_SC_PAGESIZE);
	if (pages <= 0 || size <= 0)
		return 0;
	return static_cast<int64_t>(pages) / 1024 * size / 1024;
}

int64_t TallyPlatform::deviceCPUFrequency()
{
	if (auto v = replaced(&Values::deviceCPUFrequency))
		return *v;
	std::string khz = firstLine("/sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq");
	char* end = nullptr;
	long long value = strtoll(khz.c_str(), &end, 10);
	if (khz.empty() || value <= 0 || value > INT64_MAX / 1000)
		return 0;
	return value * 1000;
}

std::string TallyPlatform::localeIdentifier()
{
	if (auto v = replaced(&Values::localeIdentifier))
		return *v;
	std::string name;
	for (char const* variable : {"LC_ALL", "LC_MESSAGES", "LANG"})
	{
		char const* value = getenv(variable);
		if (value && *value)
		{
			name = value;
			break;
		}
	}
	name = cleanSystemText(name.substr(0, name.find_first_of(".@")));
	if (name.empty() || name == "C" || name == "POSIX")
		return "en_US_POSIX";
	return name;
}

std::string TallyPlatform::timeZoneName()
{
	if (auto v = replaced(&Values::timeZoneName))
		return *v;
	char const* tz = getenv("TZ");
	if (tz && *tz)
	{
		std::string name = cleanSystemText(tz[0] == ':' ? tz + 1 : tz);
		if (!name.empty())
			return name;
	}
	char link[4096];
	ssize_t n = readlink("/etc/localtime", link, sizeof(link) - 1);
	if (n > 0)
	{
		std::string target(link, static_cast<size_t>(n));
		size_t at = target.find("zoneinfo/");
		if (at != std::string::npos)
		{
			std::string name = cleanSystemText(target.substr(at + 9));
			if (!name.empty())
				return name;
		}
	}
	return "UTC";
}

std::string TallyPlatform::bundleVersion()
{
	if (auto v = replaced(&Values::bundleVersion))
		return *v;
	return "";
}

bool TallyPlatform::isIPad()
{
	if (auto v = replaced(&Values::isIPad))
		return *v;
	return true;
}

int TallyPlatform::statusBarOrientation()
{
	PlatformState& s = platformState();
	std::lock_guard<std::mutex> lock(s.mutex);
	return s.orientation;
}

void TallyPlatform::setStatusBarOrientation(int orientation)
{
	PlatformState& s = platformState();
	std::lock_guard<std::mutex> lock(s.mutex);
	s.orientation = orientation;
}

std::optional<std::pair<double, double>> TallyPlatform::mainScreenSize()
{
	PlatformState& s = platformState();
	std::lock_guard<std::mutex> lock(s.mutex);
	return s.screen;
}

void TallyPlatform::setMainScreenSize(std::optional<std::pair<double, double>> size)
{
	PlatformState& s = platformState();
	std::lock_guard<std::mutex> lock(s.mutex);
	s.screen = size;
}

bool TallyPlatform::setBackupMark(std::string const& path)
{
	char const one = 1;
	// Never through a link: the mark is for the file at path itself.
	return lsetxattr(path.c_str(), "user.com.apple.MobileBackup", &one, 1, 0) == 0;
}
