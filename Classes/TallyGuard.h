#pragma once

#include <TallyUtil.h>
#include <exception>
#include <lang/Throwable.h>

/**
 * Runs body and passes any failure it raises to TallyUtil::handleException:
 * no exception leaves the agent.
 * @return Whether body returned normally.
 */
template <class F>
bool tallyGuard(F&& body) noexcept
{
	try
	{
		body();
		return true;
	}
	catch (lang::Throwable const& e)
	{
		TallyUtil::handleException(e);
	}
	catch (std::exception const& e)
	{
		TallyUtil::handleException(std::string(e.what()));
	}
	catch (...)
	{
		TallyUtil::handleException(std::string("unknown exception"));
	}
	return false;
}
