#pragma once

#include <game/Sprite.h>
#include <gr/Image.h>
#include <lang/Object.h>
#include <lang/Ptr.h>
#include <functional>
#include <map>
#include <string>

namespace gr
{
class Context;
}

namespace game
{

class ChunkFile;
class ChunkReader;

/**
 * One image and the named sprites cut from it. The sheet holds its image
 * and its sprites by counted references; when it goes, the sprites that
 * others still hold lose their back pointer (getSheet() gives null) and go
 * on drawing from their image. Main thread only.
 */
class SpriteSheet : public lang::Object
{
public:
	/** Sprites by name, in byte-wise name order. */
	typedef std::map<std::string, lang::Ptr<Sprite>, std::less<>> SpriteMap;

	/** An empty sheet around image (sprites are added with createSprite). */
	explicit SpriteSheet(gr::Image* image);

	/**
	 * Reads the sheet file path of the bundle (chunked "SPRT" version 1, or
	 * the older layout without the magic), creates its image from the bundle
	 * (named relative to the file's folder) and its sprites in file order.
	 * A later "SPRT" chunk replaces the image and adds or replaces sprites
	 * by name; sprites it does not replace keep their own image.
	 * @exception io::IOException "Malformed QRX5 file: {0}", "Unexpected end
	 *            of file in {0}.", "Invalid UTF-8 data in {0}." (the path),
	 *            or what reading the file or the image raises.
	 */
	SpriteSheet(gr::Context* context, std::string const& path);

	~SpriteSheet() override;

	/**
	 * Builds a sprite of the sheet's image and stores it under its name,
	 * replacing (and detaching from the sheet) a sprite of that name.
	 * @return The new sprite.
	 */
	Sprite* createSprite(std::string const& name, int x, int y, int width, int height, int pivotX, int pivotY);

	/** The sprite of that name, or null. */
	Sprite* getSprite(std::string const& name) const;

	/** The image new sprites are cut from. */
	gr::Image* getImage() const { return m_image; }

	/** All sprites by name. */
	SpriteMap const& getSprites() const { return m_sprites; }

private:
	lang::Ptr<gr::Image> m_image;
	SpriteMap m_sprites;

	/** Clears the back pointer of every sprite held. */
	void detachSprites();

	/** Reads one sheet body (after the version, or the whole old layout). */
	void readBody(gr::Context* context, ChunkFile const& file, ChunkReader& in);

	SpriteSheet(SpriteSheet const&) = delete;
	SpriteSheet& operator=(SpriteSheet const&) = delete;
};

} // game
