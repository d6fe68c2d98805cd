#pragma once

#include <game/Anchor.h>
#include <game/Sprite.h>
#include <lang/Object.h>
#include <lang/Ptr.h>
#include <cstdint>
#include <string>
#include <vector>

namespace gr
{
class Context;
}

namespace game
{

/**
 * A picture assembled from sprites, each placed with its pivot at an
 * offset from the composite's origin. Its bounds (width, height and the
 * origin's position from their top-left corner) follow every added part;
 * without parts they are all 0. Parts hold their sprites by counted
 * references. Main thread only.
 */
class CompoSprite : public lang::Object
{
public:
	/** One placed sprite. */
	struct Entry
	{
		/** The part sprite's name. */
		std::string name;
		/** The part sprite (counted). */
		lang::Ptr<Sprite> sprite;
		/** Offset of the part's pivot from the composite's origin. */
		float x;
		float y;
	};

	CompoSprite();
	~CompoSprite() override;

	/**
	 * Appends a part and updates the bounds.
	 * @param sprite Not null.
	 */
	void addSprite(std::string const& name, float x, float y, Sprite* sprite);

	/**
	 * Computes the bounds of all parts: offsets become integers by
	 * truncation toward zero (saturating; NaN gives 0), sums are taken in 64
	 * bits and the results clamped to int.
	 */
	void calculateBounds();

	/**
	 * Draws every part in order, the anchor aligning the composite's
	 * bounds at x, y. With a rotation angle in the context's 2D render
	 * state, the offsets turn with the state's rotation and each part turns
	 * about its own pivot; the state's pivot is restored afterwards.
	 */
	void draw(gr::Context* context, float x, float y, Anchor anchor) const;

	/**
	 * The i-th part (0-based).
	 * @exception lang::Exception When i is not below getSpriteCount().
	 */
	Entry const& getSpriteEntry(int i) const;

	int getSpriteCount() const { return static_cast<int>(m_entries.size()); }
	int getWidth() const { return m_width; }
	int getHeight() const { return m_height; }
	int getPivotX() const { return m_pivotX; }
	int getPivotY() const { return m_pivotY; }

private:
	std::vector<Entry> m_entries;
	int m_width;
	int m_height;
	int m_pivotX;
	int m_pivotY;
	// Extent of the parts so far, in 64 bits.
	int64_t m_minX;
	int64_t m_minY;
	int64_t m_maxX;
	int64_t m_maxY;

	/** Widens the extent by one part. */
	void include(Entry const& e);
	/** Width, height and pivot from the extent (all 0 without parts). */
	void setBounds();
};

} // game
