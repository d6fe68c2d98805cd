#include "CompoSprite.h"
#include <gr/Context.h>
#include <gr/RenderState2D.h>
#include <lang/Exception.h>
#include <lang/Format.h>
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace game
{

namespace
{

/** v truncated toward zero and clamped to int; NaN gives 0. */
int64_t truncate(float v)
{
	if (std::isnan(v))
		return 0;
	if (v >= 2147483647.f)
		return INT32_MAX;
	if (v <= -2147483648.f)
		return INT32_MIN;
	return static_cast<int64_t>(v);
}

int clampToInt(int64_t v)
{
	return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

} // namespace

CompoSprite::CompoSprite() :
	m_width(0),
	m_height(0),
	m_pivotX(0),
	m_pivotY(0),
	m_minX(INT32_MAX),
	m_minY(INT32_MAX),
	m_maxX(INT32_MIN),
	m_maxY(INT32_MIN)
{
}

CompoSprite::~CompoSprite() {}

void CompoSprite::addSprite(std::string const& name, float x, float y, Sprite* sprite)
{
	m_entries.push_back(Entry{name, sprite, x, y});
	// The same as calculateBounds(), one part at a time: min and max taken
	// part by part give the same bounds without a walk over all parts.
	include(m_entries.back());
	setBounds();
}

void CompoSprite::calculateBounds()
{
	m_minX = m_minY = INT32_MAX;
	m_maxX = m_maxY = INT32_MIN;
	for (Entry const& e : m_entries)
		include(e);
	setBounds();
}

void CompoSprite::include(Entry const& e)
{
	int64_t const sx = truncate(e.x);
	int64_t const sy = truncate(e.y);
	int64_t const w = e.sprite->getWidth();
	int64_t const h = e.sprite->getHeight();
	int64_t const px = e.sprite->getPivotX();
	int64_t const py = e.sprite->getPivotY();
	m_minX = std::min(m_minX, sx - px);
	m_minY = std::min(m_minY, sy - py);
	m_maxX = std::max(m_maxX, sx + (w - px));
	m_maxY = std::max(m_maxY, sy + (h - py));
}

void CompoSprite::setBounds()
{
	if (m_entries.empty())
	{
		m_width = m_height = m_pivotX = m_pivotY = 0;
		return;
	}
	m_width = clampToInt(m_maxX - m_minX);
	m_height = clampToInt(m_maxY - m_minY);
	m_pivotX = clampToInt(-m_minX);
	m_pivotY = clampToInt(-m_minY);
}

void CompoSprite::draw(gr::Context* context, float x, float y, Anchor anchor) const
{
	// Move x, y to the composite's origin.
	switch (anchor.vertical)
	{
	case Anchor::TOP: y += float(m_pivotY); break;
	case Anchor::VCENTER: y += float(int64_t(m_pivotY) - (m_height >> 1)); break;
	case Anchor::BOTTOM: y += float(int64_t(m_pivotY) - m_height); break;
	default: break;
	}
	switch (anchor.horizontal)
	{
	case Anchor::LEFT: x += float(m_pivotX); break;
	case Anchor::HCENTER: x += float(int64_t(m_pivotX) - (m_width >> 1)); break;
	case Anchor::RIGHT: x += float(int64_t(m_pivotX) - m_width); break;
	default: break;
	}

	Anchor const atPivot(Anchor::VPIVOT, Anchor::HPIVOT);
	gr::RenderState2D& state = context->getRenderState2D();
	if (state.angle == 0.f)
	{
		for (Entry const& e : m_entries)
			e.sprite->draw(context, x + e.x, y + e.y, atPivot);
		return;
	}

	// Rotated: the offsets turn with the state's rotation, and each part
	// turns about its own pivot.
	float const c = state.rotation[0];
	float const s = state.rotation[1];
	math::float2 const savedPivot = state.pivot;
	for (Entry const& e : m_entries)
	{
		state.pivot = math::float2(float(e.sprite->getPivotX()), float(e.sprite->getPivotY()));
		e.sprite->draw(context, x + c * e.x - s * e.y, y + s * e.x + c * e.y, atPivot);
	}
	state.pivot = savedPivot;
}

CompoSprite::Entry const& CompoSprite::getSpriteEntry(int i) const
{
	if (i < 0 || i >= getSpriteCount())
		lang::throwError(lang::Exception(lang::Format("Composite sprite part {0} out of range 0..{1}", i, getSpriteCount() - 1)));
	return m_entries[static_cast<size_t>(i)];
}

} // game
