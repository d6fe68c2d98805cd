#pragma once

#include <TallySessionState.h>

class TallyArchiver;
class TallyUnarchiver;

/**
 * The archived form of a session's state (the current-session file): every
 * field under its key, the event log as archived events, errors as lists of
 * five. Callers hold the session's lock around either step.
 */
namespace TallySessionArchive
{

/** Sets the state's serialization version to 1 and writes the state into coder. */
void encode(TallySessionState& state, TallyArchiver& coder);

/**
 * The archive's serialization version, when it can be read (0 or 1).
 * @exception TallyArchiveError For version 2 or more.
 */
int readableVersion(TallyUnarchiver const& coder);

/**
 * Reads the fields of a state of the given version into state; values of
 * the wrong kind or range make it unreadable (state is then partly filled).
 * @exception TallyArchiveError When it is unreadable.
 */
void decode(TallyUnarchiver const& coder, int version, TallySessionState& state);

} // namespace TallySessionArchive
