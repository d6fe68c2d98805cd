#include "TallyUtil.h"
#include "TallyLog.h"
#include <lang/String.h>
#include <linux/TallyPlatform.h>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace
{

std::atomic<bool> s_debugLog(false);
std::atomic<bool> s_showError(false);
std::atomic<int> s_systemVersion(0);

bool showErrors()
{
	return s_showError.load() && s_debugLog.load();
}

/** The leading integer of a version part ("18-amd64" gives 18), saturated to 64 bits. */
int64_t leadingInteger(std::string const& part)
{
	size_t i = 0;
	while (i < part.size() && (part[i] == ' ' || part[i] == '\t'))
		++i;
	bool negative = i < part.size() && part[i] == '-';
	if (i < part.size() && (part[i] == '-' || part[i] == '+'))
		++i;
	int64_t value = 0;
	for (; i < part.size() && part[i] >= '0' && part[i] <= '9'; ++i)
		value = value > (INT64_MAX - 9) / 10 ? INT64_MAX : value * 10 + (part[i] - '0');
	return negative ? -value : value;
}

/** a + b * scale held to the 64-bit range. */
int64_t addScaled(int64_t a, int64_t b, int64_t scale)
{
	int64_t product, sum;
	if (__builtin_mul_overflow(b, scale, &product))
		product = b < 0 ? INT64_MIN : INT64_MAX;
	if (__builtin_add_overflow(a, product, &sum))
		sum = product < 0 ? INT64_MIN : INT64_MAX;
	return sum;
}

} // namespace

TallyDate TallyUtil::now()
{
	return TallyPlatform::now();
}

void TallyUtil::setDebugLogEnabled(bool enabled)
{
	s_debugLog = enabled;
}

bool TallyUtil::isDebugLogEnabled()
{
	return s_debugLog;
}

void TallyUtil::setShowErrorInLogEnabled(bool enabled)
{
	s_showError = enabled;
}

std::string TallyUtil::exceptionName(lang::Throwable const&)
{
	return "Throwable";
}

std::string TallyUtil::exceptionReason(lang::Throwable const& exception)
{
	try
	{
		return exception.getMessage().format();
	}
	catch (...)
	{
		return exception.getMessage().pattern();
	}
}

void TallyUtil::handleException(lang::Throwable const& exception)
{
	if (!showErrors())
		return;
	tallyLog("Tally: Caught Exception in Tally Analytics Code");
	tallyLog("Tally: -----------------------------------------");
	tallyLog("Tally: Name:%@ Reason:%@", {exceptionName(exception), exceptionReason(exception)});
	tallyLog("Tally: %@", {"(null)"});
}

void TallyUtil::handleException(TallyError const& error)
{
	if (!showErrors())
		return;
	tallyLog("Tally: Caught Error in Tally Analytics Code");
	tallyLog("Tally: -----------------------------------------");
	tallyLog("Tally: Code:%d Domain:%@", {error.code, error.domain});
	tallyLog("Tally: %@", {"{description = \"" + error.localizedDescription + "\"; failureReason = \"" +
	                           error.localizedFailureReason + "\";}"});
}

void TallyUtil::handleException(std::string const& other)
{
	if (!showErrors())
		return;
	tallyLog("Tally: Caught Error in Tally Analytics Code");
	tallyLog("Tally: %@", {other});
}

bool TallyUtil::isIPad()
{
	return TallyPlatform::isIPad();
}

int TallyUtil::getSystemVersionAsAnInteger()
{
	int kept = s_systemVersion.load();
	if (kept != 0)
		return kept;
	std::vector<std::string> parts = lang::string::split(TallyPlatform::systemVersion(), ".");
	int64_t value = 0;
	int64_t scale = 10000;
	for (size_t i = 0; i < 3 && i < parts.size(); ++i, scale /= 100)
		value = addScaled(value, leadingInteger(parts[i]), scale);
	int result = static_cast<int>(value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : value);
	s_systemVersion.store(result);
	return result;
}

void TallyUtil::forgetSystemVersion()
{
	s_systemVersion.store(0);
}

bool TallyUtil::addSkipBackupAttributeToItemAtURL(std::string const& path)
{
	if (getSystemVersionAsAnInteger() <= 50000)
		return false;
	return TallyPlatform::setBackupMark(path);
}

bool TallyUtil::canvasInLandscapeRight()
{
	return TallyPlatform::statusBarOrientation() == 3;
}

bool TallyUtil::canvasInLandscapeLeft()
{
	return TallyPlatform::statusBarOrientation() == 4;
}

bool TallyUtil::canvasInPortraitUpsideDown()
{
	return TallyPlatform::statusBarOrientation() == 2;
}

bool TallyUtil::canvasInLandscape()
{
	return canvasInLandscapeRight() || canvasInLandscapeLeft();
}

bool TallyUtil::canvasInLandscapeRight(std::optional<std::string> const& orientation)
{
	return orientation ? lang::string::tolower(*orientation) == "landscaperight" : canvasInLandscapeRight();
}

bool TallyUtil::canvasInLandscapeLeft(std::optional<std::string> const& orientation)
{
	return orientation ? lang::string::tolower(*orientation) == "landscapeleft" : canvasInLandscapeLeft();
}

bool TallyUtil::canvasInPortraitUpsideDown(std::optional<std::string> const& orientation)
{
	return orientation ? lang::string::tolower(*orientation) == "portraitupsidedown" : canvasInPortraitUpsideDown();
}

bool TallyUtil::canvasInLandscape(std::optional<std::string> const& orientation)
{
	if (!orientation)
		return canvasInLandscape();
	return canvasInLandscapeRight(orientation) || canvasInLandscapeLeft(orientation);
}

std::string TallyUtil::getCanvasOrientation()
{
	if (canvasInLandscapeRight())
		return "landscapeRight";
	if (canvasInLandscapeLeft())
		return "landscapeLeft";
	if (canvasInPortraitUpsideDown())
		return "portraitUpsideDown";
	return "portrait";
}

TallyRect TallyUtil::screenBounds()
{
	return screenBounds(std::nullopt);
}

TallyRect TallyUtil::screenBounds(std::optional<std::string> const& orientation)
{
	TallyRect r;
	r.width = isIPad() ? 768.0 : 320.0;
	r.height = isIPad() ? 1024.1 : 480.1;
	if (canvasInLandscape(orientation))
		std::swap(r.width, r.height);
	return r;
}

std::optional<double> TallyUtil::convertStrToNum(std::string const& text)
{
	std::string t = lang::string::trim(text);
	if (t.empty() || t.size() > 64)
		return std::nullopt;
	// Decimal style only: digits with one optional point and a sign.
	size_t i = t[0] == '-' || t[0] == '+' ? 1 : 0;
	bool digits = false, point = false;
	for (size_t k = i; k < t.size(); ++k)
	{
		if (t[k] >= '0' && t[k] <= '9')
			digits = true;
		else if (t[k] == '.' && !point)
			point = true;
		else
			return std::nullopt;
	}
	if (!digits)
		return std::nullopt;
	return strtod(t.c_str(), nullptr);
}

bool TallyUtil::addToSet(std::set<std::string>& set, std::string const& object)
{
	return set.insert(object).second;
}
