#pragma once

#include <lang/Object.h>
#include <string>

namespace pf
{

/**
 * The user settings as the game reads them: booleans of the process-wide
 * UserDefaults, synchronised before each read. Main thread (UserDefaults
 * itself may be used from any thread).
 */
class AppSettings : public lang::Object
{
public:
	/** Synchronises the user defaults. */
	AppSettings();
	~AppSettings() override;

	/** Synchronises, then whether any value is stored under key. */
	bool isBoolean(std::string const& key);

	/** Synchronises, then the boolean under key (false when absent or not a boolean). */
	bool getBoolean(std::string const& key);
};

} // pf
