#include "LuaResources.h"
#include <lang/Exception.h>
#include <lang/Format.h>
#include <lua/LuaState.h>
#include <lua/LuaTable.h>
#include <pf/Launcher.h>
#include <climits>
#include <cstdint>
#include <vector>

namespace game
{

namespace
{

/** A script number as an int: truncated toward zero, saturated, NaN giving 0. */
int toInt(double v)
{
	return lua::LuaNumber::toInt(v);
}

} // namespace

LuaResources::LuaResources(lua::LuaState* state, gr::Context* context) :
	lua::LuaObject(state),
	m_resources(new Resources(context)),
	m_launcher(new pf::Launcher())
{
	registerMethod("setPath", this, &LuaResources::setPath);
	registerLuaMethod("createSpriteSheet", this, &LuaResources::createSpriteSheet);
	registerLuaMethod("createCompoSpriteSet", this, &LuaResources::createCompoSpriteSet);
	registerLuaMethod("createBitmapFont", this, &LuaResources::createBitmapFont);
	registerLuaMethod("createTextGroupSet", this, &LuaResources::createTextGroupSet);
	registerMethod("createAudioOutput", this, &LuaResources::createAudioOutput);
	registerMethod("createAudioInput", this, &LuaResources::createAudioInput);
	registerLuaMethod("createAudio", this, &LuaResources::createAudio);
	registerMethod("createCompositeAudio", this, &LuaResources::createCompositeAudio);
	registerMethod("captureSprite", this, &LuaResources::captureSprite);
	registerMethod("releaseSpriteSheet", this, &LuaResources::releaseSpriteSheet);
	registerMethod("releaseCompoSpriteSet", this, &LuaResources::releaseCompoSpriteSet);
	registerMethod("releaseFont", this, &LuaResources::releaseFont);
	registerMethod("releaseTextGroupSet", this, &LuaResources::releaseTextGroupSet);
	registerMethod("loadLocale", this, &LuaResources::loadLocale);
	registerMethod("useLocale", this, &LuaResources::useLocale);
	registerMethod("useFont", this, &LuaResources::useFont);
	registerLuaMethod("drawSprite", this, &LuaResources::drawSprite);
	registerLuaMethod("drawCompoSprite", this, &LuaResources::drawSprite);
	registerLuaMethod("drawString", this, &LuaResources::drawString);
	registerMethod("setClipRect", this, &LuaResources::setClipRect);
	registerLuaMethod("getClipRect", this, &LuaResources::getClipRect);
	registerMethod("getString", this, &LuaResources::getString);
	registerLuaMethod("playAudio", this, &LuaResources::playAudio);
	registerMethod("stopAudio", this, &LuaResources::stopAudio);
	registerMethod("stopAllAudio", this, &LuaResources::stopAllAudio);
	registerLuaMethod("isAudioPlaying", this, &LuaResources::isAudioPlaying);
	registerLuaMethod("getSpriteBounds", this, &LuaResources::getSpriteBounds);
	registerLuaMethod("getSpritePivot", this, &LuaResources::getSpritePivot);
	registerLuaMethod("getCompoSpriteBounds", this, &LuaResources::getCompoSpriteBounds);
	registerLuaMethod("getCompoSpriteData", this, &LuaResources::getCompoSpriteData);
	registerMethod("getStringWidth", this, &LuaResources::getStringWidth);
	registerMethod("getFontMaxAscending", this, &LuaResources::getFontMaxAscending);
	registerMethod("getFontMaxDescending", this, &LuaResources::getFontMaxDescending);
	registerMethod("getFontLeading", this, &LuaResources::getFontLeading);
	registerMethod("getFontTracking", this, &LuaResources::getFontTracking);
	registerMethod("getFontHeight", this, &LuaResources::getFontHeight);
	registerMethod("getLocale", this, &LuaResources::getLocale);
	registerMethod("startAudioOutput", this, &LuaResources::startAudioOutput);
	registerMethod("stopAudioOutput", this, &LuaResources::stopAudioOutput);
	registerMethod("startAudioInput", this, &LuaResources::startAudioInput);
	registerMethod("stopAudioInput", this, &LuaResources::stopAudioInput);
	registerMethod("setMasterVolume", this, &LuaResources::setMasterVolume);
	registerMethod("setTrackVolume", this, &LuaResources::setTrackVolume);
	registerMethod("getTrackVolume", this, &LuaResources::getTrackVolume);
	registerMethod("openURL", this, &LuaResources::openURL);
	state->globals().setTable("res", *this);
}

LuaResources::~LuaResources()
{
}

void LuaResources::setPath(std::string const& path)
{
	m_resources->setPath(path);
}

float LuaResources::getMasterVolume() const
{
	return m_resources->getMasterVolume();
}

template <class T>
int LuaResources::create(lua::LuaState* state, T* (Resources::*create)(std::string const&, bool))
{
	std::string const path = state->toString(1);
	bool const reload = state->top() >= 2 && state->isBoolean(2) && state->toBoolean(2);
	(m_resources.ptr()->*create)(path, reload);
	return 0;
}

int LuaResources::createSpriteSheet(lua::LuaState* state)
{
	return create(state, &Resources::createSpriteSheet);
}

int LuaResources::createCompoSpriteSet(lua::LuaState* state)
{
	return create(state, &Resources::createCompoSpriteSet);
}

int LuaResources::createBitmapFont(lua::LuaState* state)
{
	return create(state, &Resources::createBitmapFont);
}

int LuaResources::createTextGroupSet(lua::LuaState* state)
{
	return create(state, &Resources::createTextGroupSet);
}

void LuaResources::createAudioOutput(int channels, int bitsPerSample, int sampleRate)
{
	m_resources->createAudioOutput(audio::AudioConfiguration{channels, bitsPerSample, sampleRate});
}

void LuaResources::createAudioInput(int channels, int bitsPerSample, int sampleRate)
{
	m_resources->createAudioInput(audio::AudioConfiguration{channels, bitsPerSample, sampleRate});
}

int LuaResources::createAudio(lua::LuaState* state)
{
	std::string const file = state->toString(1);
	std::string const name = state->toString(2);
	bool const streamed = state->top() < 3 || state->toBoolean(3);
	m_resources->createAudio(file, name, streamed);
	return 0;
}

void LuaResources::createCompositeAudio(std::string name, lua::LuaTable table)
{
	std::vector<lang::Ptr<audio::AudioClip>> clips;
	for (int i = 1; table.isString(i); ++i)
	{
		if (audio::AudioClip* clip = m_resources->getAudioClip(table.getString(i)))
			clips.push_back(clip);
	}
	m_resources->createCompositeAudio(name, clips);
}

void LuaResources::captureSprite(std::string name)
{
	m_resources->captureSprite(name);
}

void LuaResources::releaseSpriteSheet(std::string path)
{
	m_resources->releaseSpriteSheet(path);
}

void LuaResources::releaseCompoSpriteSet(std::string path)
{
	m_resources->releaseCompoSpriteSet(path);
}

void LuaResources::releaseFont(std::string path)
{
	m_resources->releaseFont(path);
}

void LuaResources::releaseTextGroupSet(std::string path)
{
	m_resources->releaseTextGroupSet(path);
}

void LuaResources::loadLocale(std::string setName, std::string language)
{
	m_resources->loadLocale(setName, language);
}

void LuaResources::useLocale(std::string language)
{
	m_resources->useLocale(language);
}

void LuaResources::useFont(std::string name)
{
	m_resources->useFont(name);
}

int LuaResources::drawSprite(lua::LuaState* state)
{
	// Dot form: name, x, y, ...; colon form: the table first.
	int const base = state->isNumber(2) ? 1 : 2;
	int const count = state->top() - base + 1;
	std::string const name = state->toString(base);
	float const x = state->toNumber(base + 1);
	float const y = state->toNumber(base + 2);
	Anchor anchor(Anchor::VPIVOT, Anchor::HPIVOT);
	if (count >= 4)
		anchor.fromString(state->toString(base + 3));
	if (count >= 5)
		anchor.fromString(state->toString(base + 4));
	if (count >= 7)
		m_resources->drawSprite(name, x, y, state->toNumber(base + 5), state->toNumber(base + 6), anchor);
	else
		m_resources->drawSprite(name, x, y, anchor);
	return 0;
}

int LuaResources::drawString(lua::LuaState* state)
{
	std::string const setName = state->toString(1);
	std::string const key = state->toString(2);
	float const x = state->toNumber(3);
	float const y = state->toNumber(4);
	Anchor anchor(Anchor::TOP, Anchor::LEFT);
	if (state->top() >= 5)
		anchor.fromString(state->toString(5));
	if (state->top() >= 6)
		anchor.fromString(state->toString(6));
	m_resources->drawString(setName, key, x, y, anchor);
	return 0;
}

void LuaResources::setClipRect(float x, float y, float width, float height)
{
	m_resources->setClipRect(gr::Rect(toInt(x), toInt(y), toInt(x + width), toInt(y + height)));
}

int LuaResources::getClipRect(lua::LuaState* state)
{
	gr::Rect const& r = m_resources->getClipRect();
	state->pushNumber(static_cast<float>(r.left));
	state->pushNumber(static_cast<float>(r.top));
	state->pushNumber(static_cast<float>(int64_t(r.right) - r.left));
	state->pushNumber(static_cast<float>(int64_t(r.bottom) - r.top));
	return 4;
}

std::string LuaResources::getString(std::string setName, std::string key)
{
	return m_resources->getString(setName, key);
}

int LuaResources::playAudio(lua::LuaState* state)
{
	std::string const name = state->toString(1);
	int const n = state->top();
	float const volume = n >= 2 ? state->toNumber(2) : 1.f;
	bool const loop = n >= 3 && state->toBoolean(3);
	int const track = n >= 4 ? toInt(state->toNumber(4)) : 0;
	state->pushNumber(static_cast<float>(m_resources->playAudio(name, volume, loop, track)));
	return 1;
}

void LuaResources::stopAudio(std::string name)
{
	m_resources->stopAudio(name);
}

void LuaResources::stopAllAudio()
{
	m_resources->stopAllAudio();
}

int LuaResources::isAudioPlaying(lua::LuaState* state)
{
	bool playing = false;
	if (state->isNumber(1))
		playing = m_resources->isAudioPlaying(toInt(state->toNumber(1)));
	else if (state->isString(1))
		playing = m_resources->isAudioPlaying(std::string(state->toString(1)));
	state->pushBoolean(playing);
	return 1;
}

std::string LuaResources::spriteName(lua::LuaState* state)
{
	return state->toString(state->top() == 1 ? 1 : 2);
}

int LuaResources::getSpriteBounds(lua::LuaState* state)
{
	std::string const name = spriteName(state);
	state->pushNumber(static_cast<float>(m_resources->getSpriteWidth(name)));
	state->pushNumber(static_cast<float>(m_resources->getSpriteHeight(name)));
	return 2;
}

int LuaResources::getSpritePivot(lua::LuaState* state)
{
	std::string const name = spriteName(state);
	state->pushNumber(static_cast<float>(m_resources->getSpritePivotX(name)));
	state->pushNumber(static_cast<float>(m_resources->getSpritePivotY(name)));
	return 2;
}

int LuaResources::getCompoSpriteBounds(lua::LuaState* state)
{
	std::string const name = spriteName(state);
	int64_t const pivotX = m_resources->getSpritePivotX(name);
	int64_t const pivotY = m_resources->getSpritePivotY(name);
	state->pushNumber(static_cast<float>(-pivotX));
	state->pushNumber(static_cast<float>(-pivotY));
	state->pushNumber(static_cast<float>(m_resources->getSpriteWidth(name) - pivotX));
	state->pushNumber(static_cast<float>(m_resources->getSpriteHeight(name) - pivotY));
	return 4;
}

int LuaResources::getCompoSpriteData(lua::LuaState* state)
{
	std::string const name = state->toString(1);
	CompoSprite const* compo = m_resources->getCompoSprite(name);
	if (!compo)
		lang::throwError(lang::Exception(lang::Format("Composite sprite \"{0}\" not found", name)));
	lua::LuaTable parts(state);
	for (int i = 0; i < compo->getSpriteCount(); ++i)
	{
		CompoSprite::Entry const& e = compo->getSpriteEntry(i);
		lua::LuaTable part(state);
		part.setString(1, e.name);
		part.setNumber(2, e.x);
		part.setNumber(3, e.y);
		parts.setTable(i + 1, part);
	}
	lua::LuaValue::push(state, parts);
	return 1;
}

float LuaResources::getStringWidth(std::string text)
{
	return static_cast<float>(m_resources->getStringWidth(text, 0, INT_MAX));
}

float LuaResources::getFontMaxAscending()
{
	return static_cast<float>(m_resources->getFontMaxAscending());
}

float LuaResources::getFontMaxDescending()
{
	return static_cast<float>(m_resources->getFontMaxDescending());
}

float LuaResources::getFontLeading()
{
	return static_cast<float>(m_resources->getFontLeading());
}

float LuaResources::getFontTracking()
{
	return static_cast<float>(m_resources->getFontTracking());
}

float LuaResources::getFontHeight()
{
	return static_cast<float>(m_resources->getFontHeight());
}

std::string LuaResources::getLocale()
{
	return m_resources->getLocale();
}

void LuaResources::startAudioOutput()
{
	m_resources->startAudioOutput();
}

void LuaResources::stopAudioOutput()
{
	m_resources->stopAudioOutput();
}

void LuaResources::startAudioInput()
{
	m_resources->startAudioInput();
}

void LuaResources::stopAudioInput()
{
	m_resources->stopAudioInput();
}

void LuaResources::setMasterVolume(float volume)
{
	m_resources->setMasterVolume(volume);
}

void LuaResources::setTrackVolume(float volume, int track)
{
	audio::AudioOutput* output = m_resources->getAudioOutput();
	if (!output)
		lang::throwError(lang::Exception(lang::Format("Trying to set track volume but no audio output has been created")));
	output->setTrackVolume(volume, track);
}

float LuaResources::getTrackVolume(int track)
{
	audio::AudioOutput* output = m_resources->getAudioOutput();
	return output ? output->getTrackVolume(track) : 0.f;
}

bool LuaResources::openURL(std::string url)
{
	return m_launcher->openURL(url);
}

} // game
