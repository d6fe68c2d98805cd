#pragma once

#include "Format.h"

namespace lang
{

/**
 * Root of the exception classes. Its only content is the message, a
 * lang::Format that is formatted again whenever it is read. Constructing
 * one from a message writes the message to the log.
 */
class Throwable
{
public:
	/** Empty message; logs nothing. */
	Throwable();

	/** Copies the message and logs "Created Throwable( "<text>" )" as a debug line (Debug::debug). */
	explicit Throwable(Format const& msg);

	/** The message; call format() on it for the text. */
	Format const& getMessage() const { return m_msg; }

	/** Writes "EXCEPTION: <text>" to standard output. */
	void showExceptionDialog() const;

private:
	Format m_msg;
};

/**
 * Throws a copy of e as a T. Every throw site of the engine builds its
 * exception (which logs it) and raises it through this function.
 */
template <class T>
[[noreturn]] void throwError(T e)
{
	throw e;
}

/** Throws an OutOfMemoryException with an empty message. */
[[noreturn]] void throw_OutOfMemoryException();

} // lang
