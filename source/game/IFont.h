#pragma once

#include <game/Anchor.h>
#include <lang/Object.h>
#include <string>

namespace gr
{
class Context;
}

namespace game
{

/**
 * A font that measures and draws UTF-8 text. Ranges (first, count) are in
 * UTF-16 code units of the text and are clipped to it. Main thread only.
 */
class IFont : public lang::Object
{
public:
	~IFont() override {}

	/** Draws the whole text with the anchor's point at x, y. */
	virtual void drawString(gr::Context* context, std::string const& text, float x, float y, Anchor anchor) const = 0;

	/** Draws count code units of the text from first. */
	virtual void drawString(gr::Context* context, std::string const& text, int first, int count, float x, float y, Anchor anchor) const = 0;

	/** The text without the characters the font cannot draw. */
	virtual std::string filter(std::string const& text) const = 0;

	/** Width in pixels of count code units of the text from first. */
	virtual int getStringWidth(std::string const& text, int first, int count) const = 0;

	/** Pixels from the top of the text box down to the baseline. */
	virtual int getMaxAscending() const = 0;

	/** Pixels from the baseline down to the bottom of the text box. */
	virtual int getMaxDescending() const = 0;

	/** Line spacing for callers that lay out several lines. */
	virtual int getLeading() const = 0;

	/** Extra pixels between neighbouring characters. */
	virtual int getTracking() const = 0;
};

} // game
