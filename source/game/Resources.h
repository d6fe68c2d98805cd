#pragma once

#include <audio/AudioClip.h>
#include <audio/AudioConfiguration.h>
#include <audio/AudioInput.h>
#include <audio/AudioOutput.h>
#include <game/Anchor.h>
#include <game/BitmapFont.h>
#include <game/CompoSpriteSet.h>
#include <game/SpriteProvider.h>
#include <game/SpriteSheet.h>
#include <game/TextGroupSet.h>
#include <gr/Rect.h>
#include <io/PathName.h>
#include <lang/Object.h>
#include <lang/Ptr.h>
#include <map>
#include <string>
#include <vector>

namespace gr
{
class Context;
}

namespace game
{

/**
 * The one registry of what the game loads by name: sprite sheets,
 * composite sprite sets, bitmap fonts and text group sets (keyed by the
 * base name of the path they came from), audio clips (by the name given)
 * and the audio output and input. Sprites and composite sprites of every
 * loaded sheet and set share one name space: the one registered last under
 * a name wins. It also holds the current font, the current locale and the
 * clip rectangle of 2D drawing.
 *
 * Every file is opened in the bundle at the path prefix joined with the
 * path given. A create that fails leaves the maps and the registry as they
 * were. Main thread only; the audio output's mixing thread reads the clips
 * that are playing.
 */
class Resources : public lang::Object, public SpriteProvider
{
public:
	/** Entry kinds of the sprite registry. */
	enum SpriteKind
	{
		SPRITE = 1,
		COMPOSITE = 2,
	};

	/** A resource manager drawing to the context, which must outlive it. */
	explicit Resources(gr::Context* context);

	~Resources() override;

	/** Sets the folder prefixed to every path. */
	void setPath(std::string const& path);

	/** The folder prefixed to every path. */
	std::string const& getPath() const { return m_pathPrefix.path(); }

	/**
	 * The sheet of the path's key: the stored one when reload is false and
	 * the key is stored, else a sheet read from the file that replaces it
	 * (the old sheet's sprite names leave the registry, the new one's enter).
	 * @exception io::IOException "Failed to open {0} with errno {1}" ({1} as "2 (No such file or directory)"), or
	 *            the reader's errors (game::SpriteSheet).
	 */
	SpriteSheet* createSpriteSheet(std::string const& path, bool reload);

	/**
	 * As createSpriteSheet, for a composite set whose parts name sprites
	 * registered already.
	 * @exception lang::Exception As game::CompoSpriteSet, or opening errors.
	 */
	CompoSpriteSet* createCompoSpriteSet(std::string const& path, bool reload);

	/**
	 * As createSpriteSheet, for a font; registers no names and leaves the
	 * current font as it is.
	 * @exception lang::Exception As game::BitmapFont, or opening errors.
	 */
	BitmapFont* createBitmapFont(std::string const& path, bool reload);

	/**
	 * As createSpriteSheet, for a text group set, which reads its language
	 * codes at once; no texts are loaded.
	 * @exception lang::Exception As game::TextGroupSet::loadLocaleCodes.
	 */
	TextGroupSet* createTextGroupSet(std::string const& path, bool reload);

	/**
	 * Stores a sheet built elsewhere under name, replacing the sheet stored
	 * there (whose sprite names leave the registry) and registering its
	 * sprites.
	 */
	void addSpriteSheet(std::string const& name, SpriteSheet* sheet);

	/**
	 * Captures the screen: into the image of the sheet stored under name, or
	 * into a new screen-sized image given a new sheet of one sprite of that
	 * name covering it, added with addSpriteSheet.
	 * @exception gr::GraphicsException When the context cannot capture.
	 */
	void captureSprite(std::string const& name);

	/**
	 * Drop the registry's hold of the object of the path's key, with its
	 * sprite names; the object lives on while others hold it. An unknown key
	 * does nothing.
	 */
	void releaseSpriteSheet(std::string const& path);
	void releaseCompoSpriteSet(std::string const& path);
	void releaseFont(std::string const& path);
	void releaseTextGroupSet(std::string const& path);

	/**
	 * Loads the language's texts into the text group set stored under
	 * setName (a key), then drops the set's other languages; an unknown set
	 * name does nothing. When the load fails the set keeps its texts.
	 * @exception lang::Exception As game::TextGroupSet::loadTextGroup.
	 */
	void loadLocale(std::string const& setName, std::string const& language);

	/** Sets the language of text look-ups. */
	void useLocale(std::string const& language);

	/** The language of text look-ups; "en_EN" at first. */
	std::string const& getLocale() const { return m_locale; }

	/**
	 * Makes the font stored under name (a key) current; an unknown name
	 * changes nothing. The current font stays current and usable when its
	 * key is released or reloaded.
	 */
	void useFont(std::string const& name);

	/** The name given to the last useFont that found its font. */
	std::string const& getCurrentFontName() const { return m_currentFontName; }

	/** The current font, or null. */
	BitmapFont* getCurrentFont() const { return m_currentFont; }

	/** The sprite registered under name; null if none or a composite. */
	Sprite* getSprite(std::string const& name) override;

	/** The composite sprite registered under name, or null. */
	CompoSprite* getCompoSprite(std::string const& name) const;

	/** The sheet stored under key, or null. */
	SpriteSheet* getSpriteSheet(std::string const& key) const;

	/** The composite set stored under key, or null. */
	CompoSpriteSet* getCompoSpriteSet(std::string const& key) const;

	/** The font stored under key, or null. */
	BitmapFont* getFont(std::string const& key) const;

	/** The text group set stored under key, or null. */
	TextGroupSet* getTextGroupSet(std::string const& key) const;

	/** The keys of the sheets stored, in key order (the sheets a sprite look-up searches). */
	std::vector<std::string> getSpriteSheetKeys() const;

	/** The sheet that registered the sprite, or null (also for composites). */
	SpriteSheet* findSpriteSheet(std::string const& spriteName) const;

	/** The set that registered the composite sprite, or null. */
	CompoSpriteSet* findCompoSpriteSet(std::string const& compoName) const;

	/** Draws the sprite or composite sprite of that name; an unknown name draws nothing. */
	void drawSprite(std::string const& name, float x, float y, Anchor anchor) const;

	/**
	 * Draws the sprite stretched to width x height; a composite sprite is
	 * drawn unscaled; an unknown name draws nothing.
	 */
	void drawSprite(std::string const& name, float x, float y, float width, float height, Anchor anchor) const;

	/** Size and pivot of the sprite or composite sprite of that name; 0 for an unknown name. */
	int getSpriteWidth(std::string const& name) const;
	int getSpriteHeight(std::string const& name) const;
	int getSpritePivotX(std::string const& name) const;
	int getSpritePivotY(std::string const& name) const;

	/**
	 * The text of key in the set's group of the current locale; the key
	 * itself when no set is stored under setName or the group lacks the key.
	 * @exception lang::Exception When the set has not loaded the current
	 *            locale (game::TextGroupSet::getTextGroup).
	 */
	std::string const& getString(std::string const& setName, std::string const& key) const;

	/**
	 * Draws getString(setName, key) with the current font.
	 * @exception lang::Exception "No font is set while trying to draw
	 *            string", or as getString.
	 */
	void drawString(std::string const& setName, std::string const& key, float x, float y, Anchor anchor) const;

	/**
	 * Metrics of the current font. Each raises lang::Exception "No font is
	 * set while trying to get string width" (font max ascending, font max
	 * descending, font leading, font tracking; "font height!") without one.
	 */
	int getStringWidth(std::string const& text, int first, int count) const;
	int getFontMaxAscending() const;
	int getFontMaxDescending() const;
	int getFontLeading() const;
	int getFontTracking() const;

	/** Maximum ascent plus maximum descent of the current font. @exception lang::Exception As above. */
	int getFontHeight() const;

	/** The clip rectangle of 2D drawing; (-10000, -10000, 10000, 10000) at first. */
	gr::Rect const& getClipRect() const { return m_clipRect; }

	/** Sets the clip rectangle and writes it into the context's 2D render state. */
	void setClipRect(gr::Rect const& rect);

	/**
	 * Checks the configuration, then releases the present output and opens a
	 * new one. A refused configuration keeps the present output.
	 * @exception lang::Exception As audio::AudioOutput.
	 */
	audio::AudioOutput* createAudioOutput(audio::AudioConfiguration const& config);

	/** As createAudioOutput, for the input. */
	audio::AudioInput* createAudioInput(audio::AudioConfiguration const& config);

	/**
	 * A clip of the bundle file (format from its suffix) stored under name:
	 * streamed from the file while it plays, or decoded into memory at once.
	 * A clip stored under the name before is stopped and replaced.
	 * @exception lang::Exception "Trying to create audio but no audio output
	 *            has been created", opening errors, or the reader's errors.
	 */
	audio::AudioClip* createAudio(std::string const& file, std::string const& name, bool streamed);

	/**
	 * A composite of the clips, in order, stored under name (a clip stored
	 * there before is stopped and replaced).
	 * @exception lang::Exception "A composite audio clip needs at least one
	 *            clip" for no clips; "Trying to create audio but no audio
	 *            output has been created".
	 */
	audio::AudioClip* createCompositeAudio(std::string const& name, std::vector<lang::Ptr<audio::AudioClip>> const& clips);

	/**
	 * Plays the clip of that name.
	 * @return The play id, or -1 when no clip has that name.
	 * @exception lang::Exception "Trying to play audio clip but no audio
	 *            output has been created", or the mixer's track error.
	 */
	int playAudio(std::string const& name, float volume, bool loop, int track) const;

	/**
	 * Stops every instance of the clip of that name; an unknown name does
	 * nothing.
	 * @exception lang::Exception "Trying to stop audio clip but no audio
	 *            output has been created".
	 */
	void stopAudio(std::string const& name) const;

	/** Stops all clips. @exception lang::Exception "Trying to stop all audio clips but no audio output has been created". */
	void stopAllAudio() const;

	/** Whether the clip of that name or the play id is playing; false without an output. */
	bool isAudioPlaying(std::string const& name) const;
	bool isAudioPlaying(int id) const;

	/** The output's master volume; 0 without an output. */
	float getMasterVolume() const;

	/** Sets the output's master volume; nothing without an output. */
	void setMasterVolume(float volume);

	/**
	 * Starts the output.
	 * @return The output's result.
	 * @exception lang::Exception "Trying to start audio output but no audio
	 *            output has been created", or the device's refusal.
	 */
	bool startAudioOutput();

	/** Stops the output; nothing without one. */
	void stopAudioOutput();

	/** Starts the input. @exception lang::Exception "Trying to start audio input but no audio input has been created". */
	bool startAudioInput();

	/** Stops the input; nothing without one. */
	void stopAudioInput();

	audio::AudioOutput* getAudioOutput() const { return m_audioOutput; }
	audio::AudioInput* getAudioInput() const { return m_audioInput; }

	/** The clip stored under name, or null. */
	audio::AudioClip* getAudioClip(std::string const& name) const;

private:
	struct RegistryEntry
	{
		SpriteKind kind;
		std::string owner;
		lang::Ptr<Sprite> sprite;
		lang::Ptr<CompoSprite> compo;
	};

	template <class T>
	using KeyMap = std::map<std::string, lang::Ptr<T>, std::less<>>;

	gr::Context* m_context;
	gr::Rect m_clipRect;
	lang::Ptr<audio::AudioOutput> m_audioOutput;
	lang::Ptr<audio::AudioInput> m_audioInput;
	lang::Ptr<BitmapFont> m_currentFont;
	std::string m_currentFontName;
	io::PathName m_pathPrefix;
	std::string m_locale;
	KeyMap<TextGroupSet> m_textGroupSets;
	KeyMap<SpriteSheet> m_spriteSheets;
	KeyMap<CompoSpriteSet> m_compoSpriteSets;
	KeyMap<BitmapFont> m_fonts;
	KeyMap<audio::AudioClip> m_audioClips;
	std::map<std::string, RegistryEntry, std::less<>> m_spriteRegistry;

	/** The bundle path of a path given by a caller. */
	std::string filePath(std::string const& path) const;

	/** The registry entry of name, or null. */
	RegistryEntry const* entry(std::string const& name) const;

	void unregister(SpriteSheet const* sheet);
	void unregister(CompoSpriteSet const* set);
	void registerSprites(std::string const& key, SpriteSheet* sheet);
	void registerSprites(std::string const& key, CompoSpriteSet* set);

	/** Stores clip under name, stopping the clip stored there before. */
	audio::AudioClip* storeClip(std::string const& name, lang::Ptr<audio::AudioClip> const& clip);

	/** The current font; raises "No font is set while trying to {what}" without one. */
	BitmapFont const& font(char const* what) const;

	Resources(Resources const&) = delete;
	Resources& operator=(Resources const&) = delete;
};

} // game
