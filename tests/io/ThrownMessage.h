#pragma once

#include <io/IOException.h>
#include <lang/Exception.h>
#include <string>

/** The formatted message of the E that f throws, or "no exception" when it returns. */
template <class E = lang::Throwable, class F>
std::string message(F f)
{
	try
	{
		f();
	}
	catch (E const& e)
	{
		return e.getMessage().format();
	}
	return "no exception";
}

/** The formatted message of the io::IOException that f throws, or "no exception". */
template <class F>
std::string ioMessage(F f)
{
	return message<io::IOException>(f);
}
