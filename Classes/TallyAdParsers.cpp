#include "TallyAdParsers.h"
#include "TallyLog.h"
#include <atomic>

namespace
{

std::atomic<TallyAdParser*> s_adGridAdParser(nullptr);
std::atomic<TallyAdParser*> s_videoAdParser(nullptr);
std::atomic<TallyAdParser*> s_adSlotAdParser(nullptr);
std::atomic<TallyAdParser*> s_reEngageAdParser(nullptr);

} // namespace

void TallyAdParsers::setAdGridAdParser(TallyAdParser* parser)
{
	s_adGridAdParser = parser;
	tallyLog("TallyAnalytics: AdGridAdParser set");
}

void TallyAdParsers::setVideoAdParser(TallyAdParser* parser)
{
	s_videoAdParser = parser;
	tallyLog("TallyAnalytics: VideoClipAdParser set");
}

void TallyAdParsers::setAdSlotAdParser(TallyAdParser* parser)
{
	s_adSlotAdParser = parser;
	tallyLog("TallyAnalytics: AdSlotAdParser set");
}

void TallyAdParsers::setReEngageAdParser(TallyAdParser* parser)
{
	s_reEngageAdParser = parser;
	tallyLog("TallyAnalytics: ReEngageAdParser set");
}

TallyAdParser* TallyAdParsers::adGridAdParser()
{
	return s_adGridAdParser;
}

TallyAdParser* TallyAdParsers::videoAdParser()
{
	return s_videoAdParser;
}

TallyAdParser* TallyAdParsers::adSlotAdParser()
{
	return s_adSlotAdParser;
}

TallyAdParser* TallyAdParsers::reEngageAdParser()
{
	return s_reEngageAdParser;
}
