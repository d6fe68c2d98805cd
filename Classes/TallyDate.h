#pragma once

#include <cstdint>
#include <optional>
#include <string>

/** A moment: microseconds since 1970-01-01 00:00:00 UTC. */
using TallyDate = int64_t;

/** A moment or none. */
using TallyOptionalDate = std::optional<TallyDate>;

/**
 * The date as "YYYY-MM-DD hh:mm:ss +0000" (UTC), the form of dates in the
 * agent's debug lines; none gives "(null)". Thread-safe.
 */
std::string tallyDateText(TallyOptionalDate date);
