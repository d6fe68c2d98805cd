#pragma once

#include <string>

/** An error as the agent receives it from its caller: code, domain and texts. */
struct TallyError
{
	int code = 0;
	std::string domain;
	std::string localizedDescription;
	std::string localizedFailureReason;
};
