#include "Resources.h"
#include <gr/Context.h>
#include <gr/RenderState2D.h>
#include <io/ByteArrayInputStream.h>
#include <io/std/BundleInputStream.h>
#include <lang/Debug.h>
#include <lang/Exception.h>
#include <lang/Format.h>

namespace game
{

namespace
{

/** The stored object of key, or null. */
template <class T>
T* find(std::map<std::string, lang::Ptr<T>, std::less<>> const& map, std::string const& key)
{
	auto const it = map.find(key);
	return it == map.end() ? nullptr : it->second.ptr();
}

/** The key of a path: its base name, without folder and suffix. */
std::string keyOf(std::string const& path)
{
	return io::PathName(path).basename();
}

/** Erases the entry of the path's key, logging "Releasing {kind} {path}"; the erased object, or null. */
template <class T>
lang::Ptr<T> takeOut(std::map<std::string, lang::Ptr<T>, std::less<>>& map, std::string const& path, char const* kind)
{
	auto const it = map.find(keyOf(path));
	if (it == map.end())
		return nullptr;
	lang::Debug::debug("Releasing %s %s\n", kind, path.c_str());
	lang::Ptr<T> taken = it->second;
	map.erase(it);
	return taken;
}

} // namespace

Resources::Resources(gr::Context* context) :
	m_context(context),
	m_clipRect(-10000, -10000, 10000, 10000),
	m_locale("en_EN")
{
}

Resources::~Resources()
{
}

void Resources::setPath(std::string const& path)
{
	m_pathPrefix = io::PathName(path);
}

std::string Resources::filePath(std::string const& path) const
{
	return io::PathName(m_pathPrefix.path(), path).path();
}

Resources::RegistryEntry const* Resources::entry(std::string const& name) const
{
	auto const it = m_spriteRegistry.find(name);
	return it == m_spriteRegistry.end() ? nullptr : &it->second;
}

void Resources::unregister(SpriteSheet const* sheet)
{
	for (auto const& sprite : sheet->getSprites())
		m_spriteRegistry.erase(sprite.first);
}

void Resources::unregister(CompoSpriteSet const* set)
{
	for (auto const& compo : set->getCompoSprites())
		m_spriteRegistry.erase(compo.first);
}

void Resources::registerSprites(std::string const& key, SpriteSheet* sheet)
{
	for (auto const& sprite : sheet->getSprites())
		m_spriteRegistry[sprite.first] = RegistryEntry{SPRITE, key, sprite.second, nullptr};
}

void Resources::registerSprites(std::string const& key, CompoSpriteSet* set)
{
	for (auto const& compo : set->getCompoSprites())
		m_spriteRegistry[compo.first] = RegistryEntry{COMPOSITE, key, nullptr, compo.second};
}

SpriteSheet* Resources::createSpriteSheet(std::string const& path, bool reload)
{
	std::string const key = keyOf(path);
	if (SpriteSheet* stored = find(m_spriteSheets, key); stored && !reload)
		return stored;
	lang::Ptr<SpriteSheet> sheet = new SpriteSheet(m_context, filePath(path));
	addSpriteSheet(key, sheet);
	return sheet;
}

void Resources::addSpriteSheet(std::string const& name, SpriteSheet* sheet)
{
	lang::Ptr<SpriteSheet> hold = sheet;
	if (SpriteSheet* old = find(m_spriteSheets, name))
		unregister(old);
	registerSprites(name, sheet);
	m_spriteSheets[name] = hold;
}

CompoSpriteSet* Resources::createCompoSpriteSet(std::string const& path, bool reload)
{
	std::string const key = keyOf(path);
	if (CompoSpriteSet* stored = find(m_compoSpriteSets, key); stored && !reload)
		return stored;
	lang::Ptr<io::ByteArrayInputStream> data;
	{
		lang::Ptr<io::BundleInputStream> file = new io::BundleInputStream(filePath(path));
		data = new io::ByteArrayInputStream(*file);
	}
	lang::Ptr<CompoSpriteSet> set = new CompoSpriteSet(*data, this);
	if (CompoSpriteSet* old = find(m_compoSpriteSets, key))
		unregister(old);
	registerSprites(key, set);
	m_compoSpriteSets[key] = set;
	return set;
}

BitmapFont* Resources::createBitmapFont(std::string const& path, bool reload)
{
	std::string const key = keyOf(path);
	if (BitmapFont* stored = find(m_fonts, key); stored && !reload)
		return stored;
	lang::Ptr<BitmapFont> font = new BitmapFont(m_context, filePath(path));
	m_fonts[key] = font;
	return font;
}

TextGroupSet* Resources::createTextGroupSet(std::string const& path, bool reload)
{
	std::string const key = keyOf(path);
	if (TextGroupSet* stored = find(m_textGroupSets, key); stored && !reload)
		return stored;
	lang::Ptr<TextGroupSet> set = new TextGroupSet(filePath(path));
	set->loadLocaleCodes();
	m_textGroupSets[key] = set;
	return set;
}

void Resources::captureSprite(std::string const& name)
{
	if (SpriteSheet* sheet = find(m_spriteSheets, name))
	{
		m_context->capture(sheet->getImage());
		return;
	}
	lang::Ptr<gr::Image> image = m_context->createImage(m_context->width(), m_context->height(), 0, gr::SurfaceFormat::SURFACE_A8B8G8R8, gr::Context::USAGE_STATIC);
	m_context->capture(image);
	lang::Ptr<SpriteSheet> sheet = new SpriteSheet(image);
	sheet->createSprite(name, 0, 0, image->width(), image->height(), 0, 0);
	addSpriteSheet(name, sheet);
}

void Resources::releaseSpriteSheet(std::string const& path)
{
	if (lang::Ptr<SpriteSheet> sheet = takeOut(m_spriteSheets, path, "spritesheet"))
		unregister(sheet);
}

void Resources::releaseCompoSpriteSet(std::string const& path)
{
	if (lang::Ptr<CompoSpriteSet> set = takeOut(m_compoSpriteSets, path, "spritesheet"))
		unregister(set);
}

void Resources::releaseFont(std::string const& path)
{
	takeOut(m_fonts, path, "font");
}

void Resources::releaseTextGroupSet(std::string const& path)
{
	takeOut(m_textGroupSets, path, "textgroupset");
}

void Resources::loadLocale(std::string const& setName, std::string const& language)
{
	TextGroupSet* set = find(m_textGroupSets, setName);
	if (!set)
		return;
	// The new language first: a failed load leaves the set's texts in place.
	lang::Ptr<TextGroup> loaded = set->loadTextGroup(language);
	for (std::string const& code : set->getLocaleCodes())
	{
		if (code != language || !loaded)
			set->releaseTextGroup(code);
	}
}

void Resources::useLocale(std::string const& language)
{
	m_locale = language;
}

void Resources::useFont(std::string const& name)
{
	if (BitmapFont* font = find(m_fonts, name))
	{
		m_currentFont = font;
		m_currentFontName = name;
	}
}

Sprite* Resources::getSprite(std::string const& name)
{
	RegistryEntry const* e = entry(name);
	return e && e->kind == SPRITE ? e->sprite.ptr() : nullptr;
}

CompoSprite* Resources::getCompoSprite(std::string const& name) const
{
	RegistryEntry const* e = entry(name);
	return e && e->kind == COMPOSITE ? e->compo.ptr() : nullptr;
}

SpriteSheet* Resources::getSpriteSheet(std::string const& key) const
{
	return find(m_spriteSheets, key);
}

CompoSpriteSet* Resources::getCompoSpriteSet(std::string const& key) const
{
	return find(m_compoSpriteSets, key);
}

BitmapFont* Resources::getFont(std::string const& key) const
{
	return find(m_fonts, key);
}

TextGroupSet* Resources::getTextGroupSet(std::string const& key) const
{
	return find(m_textGroupSets, key);
}

std::vector<std::string> Resources::getSpriteSheetKeys() const
{
	std::vector<std::string> keys;
	keys.reserve(m_spriteSheets.size());
	for (auto const& entry : m_spriteSheets)
		keys.push_back(entry.first);
	return keys;
}

SpriteSheet* Resources::findSpriteSheet(std::string const& spriteName) const
{
	RegistryEntry const* e = entry(spriteName);
	return e && e->kind == SPRITE ? find(m_spriteSheets, e->owner) : nullptr;
}

CompoSpriteSet* Resources::findCompoSpriteSet(std::string const& compoName) const
{
	RegistryEntry const* e = entry(compoName);
	return e && e->kind == COMPOSITE ? find(m_compoSpriteSets, e->owner) : nullptr;
}

void Resources::drawSprite(std::string const& name, float x, float y, Anchor anchor) const
{
	RegistryEntry const* e = entry(name);
	if (!e)
		return;
	if (e->kind == SPRITE)
		e->sprite->draw(m_context, x, y, anchor);
	else
		e->compo->draw(m_context, x, y, anchor);
}

void Resources::drawSprite(std::string const& name, float x, float y, float width, float height, Anchor anchor) const
{
	RegistryEntry const* e = entry(name);
	if (!e)
		return;
	if (e->kind == SPRITE)
		e->sprite->draw(m_context, x, y, width, height, anchor);
	else
		e->compo->draw(m_context, x, y, anchor);
}

int Resources::getSpriteWidth(std::string const& name) const
{
	RegistryEntry const* e = entry(name);
	return !e ? 0 : e->kind == SPRITE ? e->sprite->getWidth() : e->compo->getWidth();
}

int Resources::getSpriteHeight(std::string const& name) const
{
	RegistryEntry const* e = entry(name);
	return !e ? 0 : e->kind == SPRITE ? e->sprite->getHeight() : e->compo->getHeight();
}

int Resources::getSpritePivotX(std::string const& name) const
{
	RegistryEntry const* e = entry(name);
	return !e ? 0 : e->kind == SPRITE ? e->sprite->getPivotX() : e->compo->getPivotX();
}

int Resources::getSpritePivotY(std::string const& name) const
{
	RegistryEntry const* e = entry(name);
	return !e ? 0 : e->kind == SPRITE ? e->sprite->getPivotY() : e->compo->getPivotY();
}

std::string const& Resources::getString(std::string const& setName, std::string const& key) const
{
	TextGroupSet const* set = find(m_textGroupSets, setName);
	if (!set)
		return key;
	return set->getTextGroup(m_locale)->get(key);
}

BitmapFont const& Resources::font(char const* what) const
{
	if (!m_currentFont)
		lang::throwError(lang::Exception(lang::Format("No font is set while trying to {0}", std::string(what))));
	return *m_currentFont;
}

void Resources::drawString(std::string const& setName, std::string const& key, float x, float y, Anchor anchor) const
{
	BitmapFont const& f = font("draw string");
	f.drawString(m_context, getString(setName, key), x, y, anchor);
}

int Resources::getStringWidth(std::string const& text, int first, int count) const
{
	return font("get string width").getStringWidth(text, first, count);
}

int Resources::getFontMaxAscending() const
{
	return font("get font max ascending").getMaxAscending();
}

int Resources::getFontMaxDescending() const
{
	return font("get font max descending").getMaxDescending();
}

int Resources::getFontLeading() const
{
	return font("get font leading").getLeading();
}

int Resources::getFontTracking() const
{
	return font("get font tracking").getTracking();
}

int Resources::getFontHeight() const
{
	BitmapFont const& f = font("get font height!");
	return f.getMaxAscending() + f.getMaxDescending();
}

void Resources::setClipRect(gr::Rect const& rect)
{
	m_clipRect = rect;
	m_context->getRenderState2D().clipRect = rect;
}

} // game
