#pragma once

#include <game/CompoSprite.h>
#include <lang/Object.h>
#include <lang/Ptr.h>
#include <functional>
#include <map>
#include <string>

namespace io
{
class InputStream;
}

namespace game
{

class SpriteProvider;

/** Composite sprites read from a composite set file, by name. Main thread only. */
class CompoSpriteSet : public lang::Object
{
public:
	/** Composites by name, in byte-wise name order. */
	typedef std::map<std::string, lang::Ptr<CompoSprite>, std::less<>> CompoSpriteMap;

	/**
	 * Reads a composite set (chunked, "COMP" versions 1 and 2) from the rest
	 * of the stream, resolving every part's sprite through the provider. A
	 * later composite of a name replaces an earlier one. The stream's
	 * description names the file in messages.
	 * @param provider Not null.
	 * @exception io::IOException "Malformed QRX5 file: {0}" (also for a file
	 *            without the magic), "Unexpected end of file in {0}.",
	 *            "Invalid UTF-8 data in {0}.", or what the stream throws.
	 * @exception lang::Exception "Sprite \"{0}\" not loaded while loading {1}"
	 *            for a part whose sprite the provider does not know.
	 */
	CompoSpriteSet(io::InputStream& in, SpriteProvider* provider);

	~CompoSpriteSet() override;

	/** The composite of that name, or null. */
	CompoSprite* getCompoSprite(std::string const& name) const;

	/** All composites by name. */
	CompoSpriteMap const& getCompoSprites() const { return m_compoSprites; }

private:
	CompoSpriteMap m_compoSprites;

	CompoSpriteSet(CompoSpriteSet const&) = delete;
	CompoSpriteSet& operator=(CompoSpriteSet const&) = delete;
};

} // game
