#pragma once

#include <game/Anchor.h>
#include <gr/Image.h>
#include <lang/Object.h>
#include <lang/Ptr.h>
#include <math/float2.h>
#include <math/float4.h>
#include <string>

namespace gr
{
class Context;
class Shader;
}

namespace game
{

class SpriteSheet;
class Transform;

/**
 * A named rectangle of a sheet image with a pivot (measured from the
 * rectangle's top-left corner) and its texture coordinates. The sprite
 * holds its image by a counted reference, so it draws for as long as it
 * lives, even after its sheet has gone. Main thread only.
 */
class Sprite : public lang::Object
{
public:
	/**
	 * Stores the values, each cut to 16 bits, and computes the texture
	 * coordinates from the image: divided by its texture's size, or by the
	 * image's own size when it has no texture; a zero size gives 0.
	 * @param sheet The sheet the sprite belongs to (not counted; may be null).
	 * @param image The image drawn from (counted; may be null: nothing is drawn).
	 */
	Sprite(SpriteSheet* sheet, gr::Image* image, std::string const& name, int x, int y, int width, int height, int pivotX, int pivotY);

	/**
	 * As above, drawing from the sheet's current image.
	 * @param sheet Not null.
	 */
	Sprite(SpriteSheet* sheet, std::string const& name, int x, int y, int width, int height, int pivotX, int pivotY);

	~Sprite() override;

	/** Draws the sprite unscaled with the anchor's point at x, y. */
	void draw(gr::Context* context, float x, float y, Anchor anchor) const;

	/**
	 * Draws the sprite stretched to width x height; the anchor offset comes
	 * from the sprite's own size and pivot, not from the given size.
	 */
	void draw(gr::Context* context, float x, float y, float width, float height, Anchor anchor) const;

	/**
	 * Draws the sprite as a free quad: the four corners (top-left,
	 * top-right, bottom-left, bottom-right) are placed by the transform and
	 * drawn with the sprite's texture coordinates.
	 * @param shader Null for the context's own.
	 * @param colours Four per-corner colours, or null.
	 */
	void draw(gr::Context* context, Transform const& transform, math::float2 const* corners, gr::Shader* shader, math::float4* colours) const;

	/** The sheet, or null once the sheet has gone or replaced the sprite. */
	SpriteSheet* getSheet() const { return m_sheet; }

	/** The image drawn from. */
	gr::Image* getImage() const { return m_image; }

	std::string const& getName() const { return m_name; }
	int getWidth() const { return m_width; }
	int getHeight() const { return m_height; }
	int getPivotX() const { return m_pivotX; }
	int getPivotY() const { return m_pivotY; }
	int getPositionInSheetX() const { return m_x; }
	int getPositionInSheetY() const { return m_y; }

	/** The four texture coordinates: top-left, top-right, bottom-left, bottom-right. */
	math::float2 const* getTextureCoordinates() const { return m_uv; }

private:
	friend class SpriteSheet;

	SpriteSheet* m_sheet;
	lang::Ptr<gr::Image> m_image;
	std::string m_name;
	short m_x;
	short m_y;
	short m_width;
	short m_height;
	short m_pivotX;
	short m_pivotY;
	math::float2 m_uv[4];

	/** Offset of the anchor's point from the top-left corner. */
	math::float2 anchorOffset(Anchor anchor) const;
};

} // game
