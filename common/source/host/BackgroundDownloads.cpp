// Background downloads: the scripts' requests, the workers' bodies and the
// frame's hand-over of their results to the scripts.
#include <host/BackgroundDownloads.h>
#include <game/Resources.h>
#include <game/SpriteSheet.h>
#include <gr/Context.h>
#include <gr/Image.h>
#include <img/ImageReader.h>
#include <io/ByteArrayInputStream.h>
#include <io/FileFormat.h>
#include <lang/Exception.h>
#include <lua/LuaObject.h>
#include <net/HttpRequest.h>
#include <pf/Launcher.h>
#include <util/JSONObject.h>
#include <cstdio>
#include <exception>
#include <utility>
#include <vector>

namespace host
{

namespace
{

/** Holds a lang::Mutex for a scope. */
class HostLock
{
public:
	explicit HostLock(lang::Mutex& mutex) : m_mutex(mutex) { m_mutex.lock(); }
	~HostLock() { m_mutex.unlock(); }

private:
	lang::Mutex& m_mutex;
	HostLock(HostLock const&) = delete;
	HostLock& operator=(HostLock const&) = delete;
};

void printLine(char const* text)
{
	std::fputs(text, stdout);
	std::fflush(stdout);
}

[[noreturn]] void malformed()
{
	lang::throwError(lang::Exception(lang::Format("Malformed response")));
}

/**
 * The body of url, taken over from the response (held once, never copied);
 * a status outside 200-299 is a failure.
 * @exception lang::Throwable The request's failure (a broken limit among
 *            them) or "HTTP status {0} for {1}".
 */
std::string download(std::string const& url, std::atomic<bool> const& cancel)
{
	net::HttpResponse response;
	{
		net::HttpRequest request;
		request.setCancelFlag(&cancel);
		response = request.get(url);
	}
	if (response.status < 200 || response.status > 299)
		lang::throwError(lang::Exception(lang::Format("HTTP status {0} for {1}", response.status, url)));
	return std::move(response.body);
}

/** Runs a worker's job; a failure ends it with a line naming url and the message. */
template <class F>
void runJob(std::string const& url, F job)
{
	try
	{
		job();
	}
	catch (lang::Throwable const& e)
	{
		std::printf("Download of [%s] failed: %s\n", url.c_str(), e.getMessage().format().c_str());
		std::fflush(stdout);
	}
	catch (std::exception const& e)
	{
		std::printf("Download of [%s] failed: %s\n", url.c_str(), e.what());
		std::fflush(stdout);
	}
}

/** The file format a media type ("image/png") names; 0 without "/" or for an unknown subtype. */
int imageTypeOf(char const* mediaType)
{
	std::string type = mediaType ? mediaType : "";
	size_t slash = type.rfind('/');
	if (slash == std::string::npos)
		return 0;
	std::string suffix = "." + type.substr(slash + 1);
	for (char& c : suffix)
		if (c >= 'a' && c <= 'z')
			c = static_cast<char>(c - 'a' + 'A');
	return io::guessFileFormat(suffix);
}

/** Queues job for url on worker; a full queue fails the download with a line on the output. */
void queue(DownloadWorker& worker, std::string const& url, DownloadWorker::Job job)
{
	if (worker.enqueue(url, std::move(job)) == DownloadWorker::FULL)
	{
		std::printf("Download of [%s] failed: %zu downloads are waiting already\n", url.c_str(), DownloadWorker::MAX_WAITING);
		std::fflush(stdout);
	}
}

} // namespace

BackgroundDownloads::BackgroundDownloads(Core const& core) : m_core(core)
{
}

void BackgroundDownloads::startURLThread(std::string const& url)
{
	queue(m_urlWorker, url, [this, url](std::atomic<bool> const& cancel) { checkForURLProc(url, cancel); });
}

void BackgroundDownloads::checkMainMenuAd(std::string const& url)
{
	std::fputs("Native: checkMainMenuAd()\n", stdout);
	std::fflush(stdout);
	queue(m_adWorker, url, [this, url](std::atomic<bool> const& cancel) { checkMainMenuAdProc(url, cancel); });
}

void BackgroundDownloads::checkInstalledApps(std::string const& url)
{
	m_installedAppsUrl = url;
	queue(m_installedAppsWorker, url, [this, url](std::atomic<bool> const& cancel) { getPossibleInstalledAppsProc(url, cancel); });
}

void BackgroundDownloads::checkInstalledAppsOffline(std::string const& json)
{
	m_core.table.call("setInstalledAppsOffline", determineInstalledApps(json));
}

void BackgroundDownloads::checkForURLProc(std::string const& url, std::atomic<bool> const& cancel)
{
	runJob(url, [&] {
		std::string body = download(url, cancel);
		std::printf("<NATIVE> for url [%s] server responsed [%s]", url.c_str(), body.c_str());
		std::fflush(stdout);
		HostLock lock(m_mutex);
		m_urlResults[url] = std::move(body);
	});
}

void BackgroundDownloads::checkMainMenuAdProc(std::string const& url, std::atomic<bool> const& cancel)
{
	runJob(url, [&] {
		printLine("Native: checkMainMenuAdProc()\n");
		std::string body = download(url, cancel);
		util::JSONObject doc(body.c_str());
		char const* timeStamp = doc.getString("timestamp");
		if (doc.isNull() || !timeStamp)
			malformed();
		auto ad = std::make_unique<MainMenuAd>();
		ad->timeStamp = timeStamp;
		util::JSONObject media = doc.getObject("media");
		if (media.getInt("itemCount", 0) < 1)
			return;
		util::JSONObject item = media.getObject("item0");
		char const* image = item.getString("image");
		char const* link = item.getString("link");
		if (!image || !link)
			malformed();
		ad->url = link;
		ad->imageType = imageTypeOf(item.getString("type"));
		if (!loadMainMenuAd(image, cancel, ad->image))
			return;
		HostLock lock(m_mutex);
		m_mainMenuAd = std::move(ad);
	});
}

bool BackgroundDownloads::loadMainMenuAd(std::string const& imageUrl, std::atomic<bool> const& cancel, std::string& image)
{
	bool loaded = false;
	runJob(imageUrl, [&] {
		image = download(imageUrl, cancel);
		loaded = true;
	});
	if (!loaded)
		printLine("Failed to load main menu ad image\n");
	return loaded;
}

void BackgroundDownloads::getPossibleInstalledAppsProc(std::string const& url, std::atomic<bool> const& cancel)
{
	runJob(url, [&] {
		auto list = std::make_unique<std::string>(download(url, cancel));
		HostLock lock(m_mutex);
		m_gameList = std::move(list);
	});
}

void BackgroundDownloads::checkURLCallbacks()
{
	std::map<std::string, std::string> results;
	{
		HostLock lock(m_mutex);
		results.swap(m_urlResults);
	}
	for (auto const& [url, body] : results)
		m_core.table.call("nativecallback_urlResponse", url, body);
}

void BackgroundDownloads::checkBackgroundResults()
{
	std::unique_ptr<std::string> list;
	{
		HostLock lock(m_mutex);
		list = std::move(m_gameList);
	}
	if (list)
	{
		std::string names;
		bool valid = true;
		try
		{
			names = determineInstalledApps(*list);
		}
		catch (lang::Throwable const&)
		{
			printLine("Received an invalid game list JSON from the server\n");
			valid = false;
		}
		if (valid)
			m_core.table.call("setInstalledApps", names);
	}
	createMainMenuAdImage();
}

std::string BackgroundDownloads::determineInstalledApps(std::string const& json) const
{
	util::JSONObject doc(json.c_str());
	if (doc.isNull())
		malformed();
	int count = doc.getInt("gameCount", 0);
	pf::Launcher launcher;
	std::string list;
	// A count beyond the entries present ends at the first missing one.
	for (int i = 0; i < count; ++i)
	{
		util::JSONObject game = doc.getObject(("game_" + std::to_string(i)).c_str());
		char const* name = game.getString("name");
		char const* scheme = game.getString("scheme");
		if (game.isNull() || !name || !scheme)
			malformed();
		if (launcher.canOpenProgram(std::string(scheme) + "://"))
			list += (list.empty() ? "" : ", ") + std::string(name);
	}
	return list;
}

void BackgroundDownloads::createMainMenuAdImage()
{
	std::unique_ptr<MainMenuAd> ad;
	{
		HostLock lock(m_mutex);
		ad = std::move(m_mainMenuAd);
	}
	if (!ad)
		return;
	printLine("Native: Starting to create sprite sheets\n");
	// The shown advertisement (image, link and time) stays whole until the
	// new one's image is made: the link and time follow the sheet.
	try
	{
		lang::Ptr<io::InputStream> in = new io::ByteArrayInputStream(std::move(ad->image));
		io::FileFormat format = ad->imageType == 0 ? io::FILEFORMAT_PNG : static_cast<io::FileFormat>(ad->imageType);
		img::ImageReader reader(in, format);
		int const width = reader.surfaceWidth();
		int const height = reader.surfaceHeight();
		lang::Ptr<gr::Image> image = m_core.context->createImage(width, height, reader.mipLevels() - 1, reader.format(), gr::Context::USAGE_STATIC);
		gr::SurfaceFormat const target = image->format();
		std::vector<unsigned char> pixels;
		for (int level = 0; level < reader.mipLevels(); ++level)
		{
			int const w = reader.surfaceWidth();
			int const h = reader.surfaceHeight();
			int const pitch = static_cast<int>(target.getMemoryUsage(w, 1));
			pixels.assign(static_cast<size_t>(target.getMemoryUsage(w, h)), 0);
			reader.readSurface(pixels.data(), pitch, w, h, target);
			image->blt(0, 0, pixels.data(), pitch, level, w, h, target);
		}
		lang::Ptr<game::SpriteSheet> sheet = new game::SpriteSheet(image);
		sheet->createSprite("MAIN_MENU_AD_IMAGE", 0, 0, width, height, width / 2, height / 2);
		m_core.resources->addSpriteSheet("MAIN_MENU_AD_SHEET", sheet);
	}
	catch (lang::Throwable const&)
	{
		printLine("Failed to load main menu ad image\n");
		return;
	}
	catch (std::exception const&)
	{
		printLine("Failed to load main menu ad image\n");
		return;
	}
	m_core.table.setString("mainMenuAdUrl", ad->url);
	m_core.table.setString("mainMenuAdTimeStamp", ad->timeStamp);
	printLine("Native: Setting main menu ad ready to be shown to true\n");
	m_core.table.setBoolean("mainMenuAdReadyToBeShown", true);
}

} // namespace host
