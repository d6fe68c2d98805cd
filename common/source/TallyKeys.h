#pragma once

/**
 * The game's application keys for the analytics agent (tally::Tally),
 * one per device build. Constants; any thread.
 */
namespace TallyKeys
{

/** The key of the tablet build, the one this game starts its session with. */
constexpr char const IPAD[] = "LANTERNDRIFTSAMPLEKEY1";

} // namespace TallyKeys
