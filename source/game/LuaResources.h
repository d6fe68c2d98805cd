#pragma once

#include <game/Resources.h>
#include <lang/Ptr.h>
#include <lua/LuaObject.h>
#include <string>

namespace gr
{
class Context;
}

namespace lua
{
class LuaState;
}

namespace pf
{
class Launcher;
}

namespace game
{

/**
 * The scripts' resource object, the global table "res": 46 functions that
 * forward to a resource manager it owns, to its audio output and to the
 * platform's launcher. Scripts call them with the dot form (res.drawSprite);
 * the drawing and sprite-measuring functions also accept the colon form.
 *
 * Arguments are read with exact types: a wrong or missing argument raises
 * "Excepted type {0} at stack position {1} but found {2}{3}"; arguments past
 * the ones a function reads are ignored. Errors of the resource manager
 * reach the calling script as Lua errors. Main thread only.
 */
class LuaResources : public lua::LuaObject
{
public:
	/**
	 * Creates the table on the state, registers the functions and stores the
	 * table in the state's globals as "res". The context must outlive it.
	 */
	LuaResources(lua::LuaState* state, gr::Context* context);

	~LuaResources() override;

	/** The resource manager, for native callers. */
	Resources* getResources() const { return m_resources; }

	/** Sets the folder the resource manager prefixes to every path. */
	void setPath(std::string const& path);

	/** The audio output's master volume; 0 without an output. */
	float getMasterVolume() const;

private:
	lang::Ptr<Resources> m_resources;
	lang::Ptr<pf::Launcher> m_launcher;

	// Functions with typed arguments.
	void createAudioOutput(int channels, int bitsPerSample, int sampleRate);
	void createAudioInput(int channels, int bitsPerSample, int sampleRate);
	void createCompositeAudio(std::string name, lua::LuaTable table);
	void captureSprite(std::string name);
	void releaseSpriteSheet(std::string path);
	void releaseCompoSpriteSet(std::string path);
	void releaseFont(std::string path);
	void releaseTextGroupSet(std::string path);
	void loadLocale(std::string setName, std::string language);
	void useLocale(std::string language);
	void useFont(std::string name);
	void setClipRect(float x, float y, float width, float height);
	std::string getString(std::string setName, std::string key);
	void stopAudio(std::string name);
	void stopAllAudio();
	float getStringWidth(std::string text);
	float getFontMaxAscending();
	float getFontMaxDescending();
	float getFontLeading();
	float getFontTracking();
	float getFontHeight();
	std::string getLocale();
	void startAudioOutput();
	void stopAudioOutput();
	void startAudioInput();
	void stopAudioInput();
	void setMasterVolume(float volume);
	void setTrackVolume(float volume, int track);
	float getTrackVolume(int track);
	bool openURL(std::string url);

	// Functions that read the Lua stack themselves; each returns its count
	// of results.
	int createSpriteSheet(lua::LuaState* state);
	int createCompoSpriteSet(lua::LuaState* state);
	int createBitmapFont(lua::LuaState* state);
	int createTextGroupSet(lua::LuaState* state);
	int createAudio(lua::LuaState* state);
	int drawSprite(lua::LuaState* state);
	int drawString(lua::LuaState* state);
	int getClipRect(lua::LuaState* state);
	int playAudio(lua::LuaState* state);
	int isAudioPlaying(lua::LuaState* state);
	int getSpriteBounds(lua::LuaState* state);
	int getSpritePivot(lua::LuaState* state);
	int getCompoSpriteBounds(lua::LuaState* state);
	int getCompoSpriteData(lua::LuaState* state);

	/**
	 * Calls create with the path of argument 1 and the reload flag of
	 * argument 2 (a boolean, else false).
	 */
	template <class T>
	int create(lua::LuaState* state, T* (Resources::*create)(std::string const&, bool));

	/** The sprite name of a function that takes it alone or after the table (colon form). */
	static std::string spriteName(lua::LuaState* state);

	LuaResources(LuaResources const&) = delete;
	LuaResources& operator=(LuaResources const&) = delete;
};

} // game
