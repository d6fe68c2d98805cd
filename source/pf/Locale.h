#pragma once

#include <lang/Object.h>
#include <lang/Ptr.h>
#include <string>
#include <vector>

namespace pf
{

class LocaleImpl;

/** The user's preferred languages. Main thread (reads the environment). */
class Locale : public lang::Object
{
public:
	Locale();
	~Locale() override;

	/**
	 * The preferred languages in order, converted by convertLanguage: the
	 * colon-separated list of LANGUAGE, else the first set of LC_ALL,
	 * LC_MESSAGES and LANG; codeset (".UTF-8") and modifier ("@euro")
	 * removed; "C" and "POSIX" skipped.
	 */
	std::vector<std::string> getPreferedLanguages();

	/**
	 * A language code in the game's form: two letters become lower-case
	 * code, "_", upper-case code ("fr" -> "fr_FR"); in a longer code every
	 * "-" becomes "_"; then "zh_Hans" becomes "zh_CN" and "zh_Hant" "zh_TW".
	 */
	static std::string convertLanguage(std::string const& code);

private:
	lang::Ptr<LocaleImpl> m_impl;
};

} // pf
