#pragma once

/**
 * Reads the answer blocks of a report of one kind (ad grid, video, ad slot,
 * re-engagement). None is set in this program.
 */
class TallyAdParser
{
public:
	virtual ~TallyAdParser() {}

	/**
	 * Reads the answer from position, where length bytes remain.
	 * @return The position after what was read.
	 */
	virtual unsigned char const* parseData(unsigned char const* position, int length) = 0;
};

/**
 * The four answer parsers of the report (not owned; null when none). Any
 * thread: each is one atomic value.
 */
class TallyAdParsers
{
public:
	/** Store the parser (not owned) and log it. */
	static void setAdGridAdParser(TallyAdParser* parser);
	static void setVideoAdParser(TallyAdParser* parser);
	static void setAdSlotAdParser(TallyAdParser* parser);
	static void setReEngageAdParser(TallyAdParser* parser);

	/** The parsers set, null when none. */
	static TallyAdParser* adGridAdParser();
	static TallyAdParser* videoAdParser();
	static TallyAdParser* adSlotAdParser();
	static TallyAdParser* reEngageAdParser();
};
