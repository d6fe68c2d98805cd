#include "GameApp.h"
#include "GameLua.h"
#include "GameRatePrompt.h"
#include "TallyKeys.h"
#include <host/GameCenter.h>
#include <host/Themes.h>
#include <host/Tally.h>
#include <host/Levels.h>
#include <host/SaveTables.h>
#include <host/ScriptUtilities.h>
#include <framework/OSInterface.h>
#include <game/LuaResources.h>
#include <io/detail/detail.h>
#include <gr/Context.h>
#include <lang/Debug.h>
#include <lang/Exception.h>
#include <lang/Ptr.h>
#include <lang/Thread.h>
#include <lang/Throwable.h>
#include <lua/LuaState.h>
#include <lua/LuaStop.h>
#include <pf/DeviceInfo.h>
#include <pf/Locale.h>
#include <tally/Tally.h>
#include <lua.hpp>
#include <sys/stat.h>
#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <iterator>

namespace
{

float clampScale(float scale)
{
	return std::fmin(std::fmax(scale, 0.01f), 100.f);
}

/** The shaders the GL ES 2 context is asked to load at start-up. */
char const* const s_startUpShaders[] = {
	"/2d-sprite-alpha-masked", "/2d-sprite", "/2d-sprite-alpha", "/2d-vertexcolor-alpha", "/2d-vertexcolor",
};

/** The keys published to the scripts every frame, in order. */
framework::App::KeyType const s_frameKeys[] = {
	framework::App::LBUTTON, framework::App::KEY_BACK, framework::App::KEY_MENU,
	framework::App::VOLUME_UP, framework::App::VOLUME_DOWN,
};

bool validKey(framework::App::KeyType key)
{
	return key >= 0 && key < framework::App::KEY_COUNT;
}

} // namespace

void GameApp::Folders::setDefaults()
{
	data = "data_ipad";
	images = "images";
	fonts = "fonts";
	audio = "audio";
	localization = "localization";
	levels = "levels";
	scripts = "scripts";
	commonScripts = "scripts_common";
	shaders = "shaders";
	device = "ipad";
}

void GameApp::Folders::clear()
{
	*this = Folders();
}

GameApp::Folders& GameApp::folders()
{
	static Folders s_folders;
	return s_folders;
}

GameApp::GameApp(gr::Context* context, framework::OSInterface* os) :
	framework::App(os),
	m_context(context),
	m_worldScale(1.f),
	m_wheelScale(1.f),
	m_maxWorldScale(100.f),
	m_easeStart(0.f),
	m_easeTarget(0.f),
	m_easeTime(-1.f),
	m_easeDuration(-1.f),
	m_smoothZooming(true),
	m_worldScale2(1.f),
	m_previousWheelScale(1.f),
	m_audioWanted(false),
	m_multitouchWheel(false),
	m_started(false),
	m_wheel(false),
	m_wheelLatch(false),
	m_pinching(false),
	m_pinchDistance(0.f),
	m_pinchWorldScale(1.f),
	m_crashPause(3000)
{
	std::memset(m_keyPressed, 0, sizeof(m_keyPressed));
	std::memset(m_keyReleased, 0, sizeof(m_keyReleased));
	m_lua = new lua::LuaState();
	m_resources = new game::LuaResources(m_lua, context);
	startUp();
}

namespace
{

/**
 * Refuses a data folder that does not exist or is not a folder, before any
 * start-up file fails on its own for that reason.
 * @exception lang::Exception "The data folder {0} cannot be used: {1}".
 */
void checkDataFolder(std::string const& folder)
{
	struct stat info;
	std::string why;
	if (stat(folder.c_str(), &info) != 0)
		why = std::strerror(errno);
	else if (!S_ISDIR(info.st_mode))
		why = "it is not a folder";
	if (!why.empty())
		lang::throwError(lang::Exception(lang::Format("The data folder {0} cannot be used: {1}", folder, why)));
}

} // namespace

void GameApp::startUp()
{
	checkDataFolder(io::detail::bundlePath());
	Folders& f = folders();
	setDataPath(f.data);
	m_context->setShaderPath(path(f.shaders + "/"));
	m_resources->setPath(path(""));
	m_started = true;

	m_host = new GameLua(this, m_resources->getResources(), m_lua, m_context, this);
	m_host->tally().resetTimer();

	m_host->setTable("res", *m_resources);
	m_host->setString("imagePath", f.images);
	m_host->setString("fontPath", f.fonts);
	m_host->setString("audioPath", f.audio);
	m_host->setString("localizationPath", f.localization);
	m_host->setString("levelPath", f.levels);
	m_host->setString("scriptPath", f.scripts);
	m_host->setString("commonScriptPath", f.commonScripts);
	m_host->setString("deviceModel", f.device);
	m_host->setBoolean("isLiteVersion", false);
	m_host->setBoolean("showCursor", false);
	m_host->setBoolean("isHDVersion", false);

	m_host->saveTables().loadPurchases();
	m_host->levels().loadLuaFile(f.scripts + "/starLimits.lua", "starTable");
	m_host->levels().loadLuaFile(f.scripts + "/gamecenter/ipad/leaderboards.lua", "leaderboards");
	m_host->levels().loadLuaFile(f.scripts + "/gamecenter/ipad/achievements.lua", "");
	m_host->setBoolean("isPremium", true);
	m_host->levels().compile(f.commonScripts + "/gamelogic.lua");

	std::vector<std::string> failed = m_host->levels().failedFiles();
	for (std::string const& file : failed)
		m_host->levels().onLoadLuaFileFail(file);
	m_host->scriptUtilities().setUseTestAds(false);
	m_host->levels().clearFailedFiles();

	// Effects are loaded ahead for the ES 2.0 context (the only one here with effects).
	if (m_context->platform() == gr::Context::PLATFORM_GLES2)
	{
		for (char const* name : s_startUpShaders)
			os()->loadShaders(path(f.shaders + name), false);
	}

	f.clear();
	std::memset(m_keyPressed, 0, sizeof(m_keyPressed));
	std::memset(m_keyReleased, 0, sizeof(m_keyReleased));
	for (int k = 0; k < KEY_COUNT; ++k)
	{
		char const* name = toString(static_cast<KeyType>(k));
		m_host->keyPressedTable().setBoolean(name, false);
		m_host->keyReleasedTable().setBoolean(name, false);
		m_host->keyHoldTable().setBoolean(name, false);
	}

	startTally();

	m_host->setString("g_iOSVersion", lang::Ptr<pf::DeviceInfo>(new pf::DeviceInfo())->getOSVersion());

	m_host->levels().createAssets();

	m_gameCenter.reset(new host::GameCenter(this, &m_host->gameCenter(), m_context));
	if (host::GameCenter::isGameCenterAvailable())
	{
		m_host->setBoolean("gameCenterSupported", true);
		m_gameCenter->firstInit();
	}
	else
	{
		lang::Debug::printf("GameCenter support not available.\n");
		m_host->setBoolean("gameCenterSupported", false);
	}

	// The preferred languages are read, but the texts stay English.
	lang::Ptr<pf::Locale> locale = new pf::Locale();
	locale->getPreferedLanguages();
	game::Resources* resources = m_resources->getResources();
	resources->loadLocale("TEXTS_BASIC", "en_EN");
	resources->useLocale("en_EN");

	float volume = 1.f;
	if (m_host->isTable("settings"))
	{
		lua::LuaTable settings = m_host->getTable("settings");
		if (settings.isNumber("volume"))
			volume = settings.getNumber("volume");
	}
	resources->setMasterVolume(volume);

	GameRatePrompt::appStarted();

	m_easeTime = -1.f;
	m_easeDuration = -1.f;
	m_smoothZooming = true;
}

void GameApp::startTally()
{
	m_tally = new tally::Tally();
	m_host->tally().prepareTally(m_tally);
	m_tally->startSession(TallyKeys::IPAD);

	if (m_host->isString("customerString"))
	{
		std::string const customer = m_host->getString("customerString");
		lang::Debug::debug("Customer string: %s\n", customer.c_str());
		m_tally->logEvent("Customer String", "ID", customer);
	}
}

GameApp::~GameApp()
{
	if (m_tally)
	{
		m_tally->endSession();
		// The host keeps a plain pointer: it must not outlive the wrapper.
		if (m_host)
			m_host->tally().prepareTally(nullptr);
		m_tally = nullptr;
	}
	m_gameCenter.reset();
	folders().data.clear();
	m_resources = nullptr;
	m_host = nullptr;
	m_lua = nullptr;
	GameRatePrompt::appTerminated();
}

void GameApp::easeZoom(float dt)
{
	if (!m_smoothZooming || !(m_easeTime > -1.f))
		return;
	m_easeTime += dt;
	if (!(m_easeDuration > 0.f) || m_easeDuration < m_easeTime)
	{
		// An easing without a positive duration ends at its target at once.
		m_easeTime = -1.f;
		m_wheelScale = m_easeTarget;
	}
	else
	{
		float u = m_easeTime / m_easeDuration - 1.f;
		m_wheelScale = m_easeStart + (u * u * u + 1.f) * (m_easeTarget - m_easeStart);
	}
	m_wheelScale = clampScale(m_wheelScale);
}

void GameApp::pinchZoom()
{
	std::vector<framework::TouchEvent> const& list = touches();
	if (list.size() == 2)
	{
		float dx = static_cast<float>(list[0].x - list[1].x);
		float dy = static_cast<float>(list[0].y - list[1].y);
		float distance = std::sqrt(dx * dx + dy * dy);
		if (!m_pinching)
		{
			m_pinchDistance = distance;
			m_pinchWorldScale = m_worldScale;
			m_pinching = true;
			m_wheelScale = m_worldScale;
		}
		if (m_pinchDistance > FLT_MIN && m_pinchDistance < FLT_MAX)
		{
			m_previousWheelScale = m_wheelScale;
			m_wheelScale = m_pinchWorldScale * (distance / m_pinchDistance);
		}
	}
	else if (m_pinching)
	{
		m_pinching = false;
		m_previousWheelScale = m_wheelScale;
	}
}

void GameApp::publishKeys()
{
	auto publish = [this](KeyType key) {
		char const* name = toString(key);
		m_host->keyPressedTable().setBoolean(name, m_keyPressed[key]);
		m_host->keyReleasedTable().setBoolean(name, m_keyReleased[key]);
		m_host->keyHoldTable().setBoolean(name, isKeyDown(key));
		m_keyPressed[key] = false;
		m_keyReleased[key] = false;
	};
	for (KeyType key : s_frameKeys)
		publish(key);
	// The rest of the keyboard follows, so that a game can take any key
	// (a restart, a pause) and a key let go is never left held.
	for (int k = 0; k < KEY_COUNT; ++k)
	{
		KeyType const key = static_cast<KeyType>(k);
		if (std::find(std::begin(s_frameKeys), std::end(s_frameKeys), key) == std::end(s_frameKeys))
			publish(key);
	}
}

float GameApp::masterVolume() const
{
	return m_resources->getMasterVolume();
}

void GameApp::changeVolume(float step)
{
	float volume = std::fmin(std::fmax(masterVolume() + step, 0.f), 1.f);
	m_resources->getResources()->setMasterVolume(volume);
	if (m_host->isTable("settings"))
		m_host->getTable("settings").setNumber("volume", volume);
}

void GameApp::volumeKeys()
{
	if (m_host->keyPressedTable().getBoolean("VOLUME_UP"))
		changeVolume(0.1f);
	if (m_host->keyPressedTable().getBoolean("VOLUME_DOWN"))
		changeVolume(-0.1f);
}

void GameApp::update(float dt, gr::Context* context, int)
{
	easeZoom(dt);
	pinchZoom();
	publishKeys();
	volumeKeys();

	{
		gr::Context::RenderScene scene(context);
		if (m_wheel)
			m_wheelLatch = true;

		try
		{
			m_host->update(dt);
		}
		catch (lang::Throwable const& e)
		{
			// Scripts stopped because the program is asked to end did not crash.
			if (lua::LuaStop::requested())
				throw;
			m_tally->logEvent("Game crashed", "exception", e.getMessage().format());
			// Give a crash report time to leave before the program stops.
			if (m_crashPause > 0)
				lang::Thread::sleep(static_cast<unsigned>(m_crashPause));
			throw;
		}

		uint32_t bg = m_host->themes().getBGColor();
		context->clear(0xFF000000u | (bg & 0xFFFFFFu), true, true, true);
		m_host->draw();
	}
	context->present();
	context->statistics.reset();

	if (m_wheel && m_wheelLatch)
	{
		m_host->cursorTable().setBoolean("wheelTriggered", false);
		m_wheel = false;
		m_wheelLatch = false;
	}
}

void GameApp::keyDown(KeyType key)
{
	if (validKey(key))
		m_keyPressed[key] = true;
}

void GameApp::keyUp(KeyType key)
{
	if (validKey(key))
		m_keyReleased[key] = true;
}

void GameApp::orientationChanged() {}

void GameApp::resolutionChanged()
{
	m_host->setNumber("screenWidth", static_cast<float>(m_context->width()));
	m_host->setNumber("screenHeight", static_cast<float>(m_context->height()));
	m_host->call("resolutionChanged");
}

void GameApp::mouseMove(int x, int y)
{
	m_host->cursorTable().setNumber("x", static_cast<float>(x));
	m_host->cursorTable().setNumber("y", static_cast<float>(y));
}

void GameApp::mouseWheel(int delta)
{
	m_wheel = true;
	m_wheelLatch = false;
	if (m_host->isBoolean("g_usingGestureControls") && m_host->getBoolean("g_usingGestureControls"))
		return;

	float step = m_wheelScale >= 1.f ? 0.2f : 0.1f;
	if (isKeyDown(SHIFT))
		step *= 0.05f;
	float d = static_cast<float>(delta);

	if (m_smoothZooming)
	{
		m_previousWheelScale = m_wheelScale;
		if (m_easeTime > -1.f && 0.6f < m_wheelScale && m_wheelScale < m_maxWorldScale)
		{
			m_easeTarget = clampScale(m_easeTarget + step * 0.5f * d);
			m_easeStart = m_wheelScale;
			m_easeDuration = 1.f - m_easeTime;
			m_easeTime = 0.f;
		}
		else
		{
			m_easeTarget = clampScale(m_wheelScale + step * d);
			m_easeStart = m_wheelScale;
			m_easeTime = 0.f;
			m_easeDuration = 0.5f;
		}
	}
	else if (!isKeyDown(CONTROL))
	{
		m_previousWheelScale = m_wheelScale;
		m_wheelScale += step * d;
	}

	m_host->cursorTable().setNumber("wheel", d);
	m_host->cursorTable().setBoolean("wheelTriggered", true);
}

void GameApp::activate(bool active)
{
	framework::App::activate(active);
	m_host->activate(active);
}

bool GameApp::activateAudio(bool active)
{
	m_audioWanted = active;
	bool enabled = true;
	if (m_host->isTable("settings"))
	{
		lua::LuaTable settings = m_host->getTable("settings");
		if (settings.isTable("root") && settings.getTable("root").isBoolean("audioEnabled"))
			enabled = settings.getTable("root").getBoolean("audioEnabled");
	}
	game::Resources* resources = m_resources->getResources();
	if (!active)
	{
		resources->stopAudioInput();
		resources->stopAudioOutput();
		return true;
	}
	bool result = true;
	if (enabled && resources->getAudioOutput())
		result = resources->startAudioOutput();
	if (resources->getAudioInput())
		resources->startAudioInput();
	return result;
}

bool GameApp::safeToQuit() const
{
	return m_host->safeToQuit();
}

void GameApp::setMouseAvailable(bool available)
{
	m_host->setBoolean("g_mouseAvailable", available);
}
