#include "GtkPageEngine.h"
#include <pf/MainThread.h>
#include <pf/linux/PagePlugin.h>
#include <lang/Debug.h>
#include <webkit2/webkit2.h>
#include <algorithm>
#include <dlfcn.h>
#include <set>
#include <sys/stat.h>

namespace pf
{

namespace
{

/**
 * How long a load whose main resource failed may take to report that
 * itself before it is failed here: the engine's own report, when it comes,
 * follows within a turn or two of its loop.
 */
unsigned const UNANSWERED_LOAD_GRACE_MS = 250;

/**
 * How long the player's click on a link stays waiting for the navigation
 * it starts: the engine asks about that navigation right after the click's
 * report, within a turn or two of its loop.
 */
long long const PLAYER_CLICK_MICROS = 2000000;

/** The script world, of the engine's own, that watches the player's clicks in the main frame: the page's scripts cannot reach it. */
char const CLICK_WORLD[] = "engine-player-clicks";

/** The name under which the click watcher reports. */
char const CLICK_HANDLER[] = "playerClick";

/**
 * The click watcher, run in the main frame's every document before the
 * page's own scripts: it reports each click of the player (the page cannot
 * make one whose isTrusted is true) on a link as "top <address>" when the
 * link sends the main frame there, "named <address>" when it names another
 * target (a new window, or a frame), and "" for a click elsewhere.
 */
char const CLICK_WATCHER[] = "window.addEventListener('click', function(e) {"
	"  if (!e.isTrusted) return;"
	"  var path = e.composedPath ? e.composedPath() : [e.target], report = '';"
	"  for (var i = 0; i < path.length; ++i) {"
	"    var a = path[i];"
	"    if (a && (a.localName === 'a' || a.localName === 'area') && typeof a.href === 'string' && a.hasAttribute('href')) {"
	"      var base = document.querySelector('base[target]');"
	"      var target = String(a.target || (base ? base.target : '')).toLowerCase();"
	"      var top = target === '' || target === '_self' || target === '_top' || target === '_parent';"
	"      report = (top ? 'top ' : 'named ') + a.href;"
	"      break;"
	"    }"
	"  }"
	"  window.webkit.messageHandlers.playerClick.postMessage(report);"
	"}, true);";

/** Whether uri is a file: address. */
bool isFile(char const* uri)
{
	return uri && g_ascii_strncasecmp(uri, "file:", 5) == 0;
}

/** 0 before GTK was asked to start, 1 when it started, -1 when it could not. */
int s_gtk = 0;

/** The folder of the guard of local files (LocalFileGuard.cpp): "webkit-files" beside this plugin. */
std::string guardFolder()
{
	Dl_info info;
	if (!dladdr(reinterpret_cast<void*>(&guardFolder), &info) || !info.dli_fname)
		return "";
	std::string const plugin = info.dli_fname;
	size_t const slash = plugin.rfind('/');
	return (slash == std::string::npos ? std::string(".") : plugin.substr(0, slash)) + "/webkit-files";
}

/** Why pages cannot be shown without their guard ("" when it is there). */
std::string const& guardMissing()
{
	static std::string const why = [] {
		std::string const file = guardFolder() + "/libeng_pf_linux_webkit_files.so";
		struct stat st;
		return stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? std::string() : "the guard of local files " + file + " is missing";
	}();
	return why;
}

/**
 * The engine's own context: the guard of local files goes into each of its
 * web processes, and it keeps nothing on disk (no cookies, storage or
 * cache): pages never write to the player's disk. Made with GTK.
 */
WebKitWebContext* s_context = nullptr;

/** Whether the Content-Disposition header value asks for an attachment (its type before any ";"). */
bool isAttachment(char const* disposition)
{
	if (!disposition)
		return false;
	while (g_ascii_isspace(*disposition))
		++disposition;
	size_t n = 0;
	while (disposition[n] && disposition[n] != ';' && !g_ascii_isspace(disposition[n]))
		++n;
	return n == 10 && g_ascii_strncasecmp(disposition, "attachment", 10) == 0;
}

/** Hands each new web process the guard and the data root of the moment. */
void initializeWebProcess(WebKitWebContext* context, gpointer)
{
	webkit_web_context_set_web_extensions_directory(context, guardFolder().c_str());
	webkit_web_context_set_web_extensions_initialization_user_data(context, g_variant_new_string(pf::pageDataRoot().c_str()));
}

/** The engines that exist, for the page loop's turn. */
std::set<GtkPageEngine*>& engines()
{
	static std::set<GtkPageEngine*> all;
	return all;
}

/** What an evaluation hands back: filled by its callback, which may come after the caller stopped waiting. */
struct Answer
{
	bool done = false;
	std::string text;
};

void evaluated(GObject* object, GAsyncResult* result, gpointer data)
{
	std::shared_ptr<Answer>* answer = static_cast<std::shared_ptr<Answer>*>(data);
	GError* error = nullptr;
	JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(object), result, &error);
	if (value)
	{
		if (jsc_value_is_string(value) || jsc_value_is_number(value) || jsc_value_is_boolean(value))
		{
			char* text = jsc_value_to_string(value);
			if (text)
				(*answer)->text = text;
			g_free(text);
		}
		g_object_unref(value);
	}
	if (error)
		g_error_free(error);
	(*answer)->done = true;
	delete answer;
}

/**
 * What a failed main resource leaves for the later check: the engine (gone
 * when reset), the load it belonged to and its address.
 */
struct ResourceFailure
{
	std::weak_ptr<GtkPageEngine*> engine;
	unsigned load;
	std::string url;
	std::string why;
};

gboolean timedOut(gpointer data)
{
	*static_cast<bool*>(data) = true;
	return G_SOURCE_REMOVE;
}

} // namespace

/** The GTK and WebKit signal handlers, with the engine as their data. */
struct GtkPageEngine::Signals
{
	/**
	 * Every decision is taken here, none left to the engine's defaults:
	 * a navigation is the listener's to allow; a new window is never made
	 * (the listener still hears of it: the player's click may be meant to
	 * open outside); a response is shown when the engine can show it and
	 * it asks for no attachment, else refused as a download.
	 */
	static gboolean decide(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type, gpointer data)
	{
		GtkPageEngine* self = static_cast<GtkPageEngine*>(data);
		// The listener may let the engine go while it decides.
		lang::Ptr<GtkPageEngine> keep(self);
		g_object_ref(decision);
		if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE)
		{
			WebKitResponsePolicyDecision* response = WEBKIT_RESPONSE_POLICY_DECISION(decision);
			WebKitURIResponse* answer = webkit_response_policy_decision_get_response(response);
			SoupMessageHeaders* headers = answer ? webkit_uri_response_get_http_headers(answer) : nullptr;
			bool const attachment = headers && isAttachment(soup_message_headers_get_one(headers, "Content-Disposition"));
			if (attachment || !webkit_response_policy_decision_is_mime_type_supported(response))
			{
				webkit_policy_decision_ignore(decision);
				char const* uri = webkit_uri_request_get_uri(webkit_response_policy_decision_get_request(response));
				self->refuseDownload(uri ? uri : "");
			}
			else
				webkit_policy_decision_use(decision);
			g_object_unref(decision);
			return TRUE;
		}
		WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
		char const* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
		bool const window = type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION;
		bool player = false;
		if (webkit_navigation_action_get_navigation_type(action) == WEBKIT_NAVIGATION_TYPE_LINK_CLICKED)
		{
			// The click waiting is used up by the first link's navigation.
			std::string const click = self->m_click;
			bool const recent = g_get_monotonic_time() - self->m_clickTime < PLAYER_CLICK_MICROS;
			self->m_click.clear();
			player = recent && uri && webkit_navigation_action_is_user_gesture(action) &&
				(click == std::string("top ") + uri ? !window : click == std::string("named ") + uri && window);
		}
		bool const allow = self->m_listener ? self->m_listener->allowNavigation(uri ? uri : "", player) : true;
		if (allow && !window)
			webkit_policy_decision_use(decision);
		else
			webkit_policy_decision_ignore(decision);
		g_object_unref(decision);
		return TRUE;
	}

	/** The click watcher's report (see CLICK_WATCHER): the player's click waits for the navigation it starts. */
	static void clicked(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer data)
	{
		GtkPageEngine* self = static_cast<GtkPageEngine*>(data);
		JSCValue* value = result ? webkit_javascript_result_get_js_value(result) : nullptr;
		self->m_click.clear();
		if (!value || !jsc_value_is_string(value))
			return;
		char* text = jsc_value_to_string(value);
		if (text)
			self->m_click = text;
		g_free(text);
		self->m_clickTime = g_get_monotonic_time();
	}

	/**
	 * A download the engine started anyway (a link with a download
	 * attribute): stopped before it has a file. Without a destination of
	 * ours none is ever made.
	 */
	static void downloadStarted(WebKitWebContext*, WebKitDownload* download, gpointer)
	{
		g_signal_connect(download, "decide-destination", G_CALLBACK(&Signals::noDestination), nullptr);
		webkit_download_set_allow_overwrite(download, FALSE);
		WebKitURIRequest* request = webkit_download_get_request(download);
		char const* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
		std::string const url = uri ? uri : "";
		WebKitWebView* view = webkit_download_get_web_view(download);
		webkit_download_cancel(download);
		for (GtkPageEngine* engine : engines())
			if (view && engine->m_view == view)
			{
				lang::Ptr<GtkPageEngine> keep(engine);
				engine->refuseDownload(url);
				return;
			}
		lang::Debug::printf("WebView: a download of %s was refused: pages cannot save files\n", url.c_str());
	}

	static gboolean noDestination(WebKitDownload* download, gchar*, gpointer)
	{
		webkit_download_cancel(download);
		return TRUE;
	}

	/** Pages ask for no permission (place, camera, notifications and the like): each is denied. */
	static gboolean permission(WebKitWebView*, WebKitPermissionRequest* request, gpointer)
	{
		webkit_permission_request_deny(request);
		return TRUE;
	}

	/** A page's file chooser (an upload) is never shown: pages do not reach the player's files. */
	static gboolean fileChooser(WebKitWebView*, WebKitFileChooserRequest* request, gpointer)
	{
		webkit_file_chooser_request_cancel(request);
		return TRUE;
	}

	/** A page's print (whose dialog may print to a file) is never shown. */
	static gboolean print(WebKitWebView*, WebKitPrintOperation*, gpointer)
	{
		return TRUE;
	}

	static void changed(WebKitWebView*, WebKitLoadEvent event, gpointer data)
	{
		GtkPageEngine* self = static_cast<GtkPageEngine*>(data);
		if (event == WEBKIT_LOAD_STARTED)
		{
			self->m_loadFailed = false;
			self->m_loadEnded = false;
			char const* uri = webkit_web_view_get_uri(self->m_view);
			self->m_startedOffFiles = !isFile(uri);
			++self->m_load;
		}
		if (event == WEBKIT_LOAD_COMMITTED)
			self->m_click.clear();
		if (event == WEBKIT_LOAD_COMMITTED && self->m_listener)
		{
			char const* uri = webkit_web_view_get_uri(self->m_view);
			lang::Ptr<GtkPageEngine> keep(self);
			self->m_listener->pageCommitted(uri ? uri : "");
			return;
		}
		if (event != WEBKIT_LOAD_FINISHED)
			return;
		bool const reported = self->m_loadEnded;
		self->m_loadEnded = true;
		// A failed load finishes too, after its failure.
		if (reported || self->m_loadFailed || !self->m_listener)
			return;
		lang::Ptr<GtkPageEngine> keep(self);
		self->m_listener->pageLoaded();
	}

	/** Watches the main resource of each load: its failure must end the load. */
	static void resourceStarted(WebKitWebView* view, WebKitWebResource* resource, WebKitURIRequest*, gpointer data)
	{
		GtkPageEngine* self = static_cast<GtkPageEngine*>(data);
		if (resource != webkit_web_view_get_main_resource(view))
			return;
		g_signal_connect_data(resource, "failed", G_CALLBACK(&Signals::resourceFailed), new std::weak_ptr<GtkPageEngine*>(self->m_self),
			[](gpointer engine, GClosure*) { delete static_cast<std::weak_ptr<GtkPageEngine*>*>(engine); }, GConnectFlags(0));
	}

	/**
	 * The engine stops a load whose main resource it refuses (a redirect
	 * from the web to a file: address) without reporting the load's
	 * failure. A moment later, a load that has neither finished nor failed
	 * nor given way to a new one fails here.
	 */
	static void resourceFailed(WebKitWebResource* resource, GError* error, gpointer data)
	{
		std::shared_ptr<GtkPageEngine*> alive = static_cast<std::weak_ptr<GtkPageEngine*>*>(data)->lock();
		if (!alive || !*alive)
			return;
		char const* uri = webkit_web_resource_get_uri(resource);
		ResourceFailure* failure = new ResourceFailure{alive, (*alive)->m_load, uri ? uri : "", error ? error->message : ""};
		g_timeout_add_full(G_PRIORITY_DEFAULT, UNANSWERED_LOAD_GRACE_MS, &Signals::checkUnanswered, failure,
			[](gpointer f) { delete static_cast<ResourceFailure*>(f); });
	}

	static gboolean checkUnanswered(gpointer data)
	{
		ResourceFailure const& failure = *static_cast<ResourceFailure*>(data);
		std::shared_ptr<GtkPageEngine*> alive = failure.engine.lock();
		if (alive && *alive && (*alive)->m_load == failure.load && !(*alive)->m_loadEnded && !(*alive)->m_loadFailed)
			(*alive)->failUnanswered(failure.url, failure.why);
		return G_SOURCE_REMOVE;
	}

	static gboolean failed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error, gpointer data)
	{
		GtkPageEngine* self = static_cast<GtkPageEngine*>(data);
		// A load failed here already was reported.
		if (self->m_loadFailed)
			return TRUE;
		self->m_loadFailed = true;
		if (self->m_listener)
		{
			lang::Ptr<GtkPageEngine> keep(self);
			// The engine stops a redirect from the web to a file as a
			// cancelled load, which would pass for one a new load replaced.
			bool const redirectedToFile = self->m_startedOffFiles && isFile(uri);
			self->m_listener->pageFailed(!redirectedToFile && g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED));
		}
		// No error page of the engine's own.
		return TRUE;
	}

	static gboolean fade(gpointer data)
	{
		GtkPageEngine* self = static_cast<GtkPageEngine*>(data);
		if (self->stepFade())
			return G_SOURCE_CONTINUE;
		self->m_fadeSource = 0;
		return G_SOURCE_REMOVE;
	}
};

bool GtkPageEngine::hasDisplay()
{
	if (s_gtk == 0)
	{
		// The game's window is an X11 one; the process keeps the C locale.
		gdk_set_allowed_backends("x11,*");
		gtk_disable_setlocale();
		s_gtk = gtk_init_check(nullptr, nullptr) ? 1 : -1;
		if (s_gtk > 0)
		{
			s_context = webkit_web_context_new_ephemeral();
			g_signal_connect(s_context, "initialize-web-extensions", G_CALLBACK(&initializeWebProcess), nullptr);
			g_signal_connect(s_context, "download-started", G_CALLBACK(&Signals::downloadStarted), nullptr);
		}
	}
	return s_gtk > 0;
}

void GtkPageEngine::turn()
{
	if (s_gtk <= 0)
		return;
	// Bounded, so that a busy source cannot hold up the frame.
	for (int i = 0; i < 1000 && g_main_context_iteration(nullptr, FALSE); ++i)
	{
	}
	for (GtkPageEngine* engine : engines())
		if (engine->m_shown)
			engine->place();
}

GtkPageEngine::GtkPageEngine(int x, int y, int width, int height) :
	m_x(x), m_y(y), m_width(std::max(1, width)), m_height(std::max(1, height)), m_listener(nullptr), m_window(nullptr),
	m_view(nullptr), m_clickTime(0), m_loadFailed(false), m_loadEnded(false), m_startedOffFiles(false), m_load(0), m_shown(false), m_placedX(0), m_placedY(0), m_alpha(0.0), m_fadeFrom(0.0),
	m_fadeTo(0.0), m_fadeStart(0), m_fadeMicros(0), m_fadeSource(0), m_self(std::make_shared<GtkPageEngine*>(this))
{
	engines().insert(this);
	if (!hasDisplay() || !guardMissing().empty())
		return;
	m_window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
	GtkWindow* window = GTK_WINDOW(m_window);
	gtk_window_set_decorated(window, FALSE);
	gtk_window_set_skip_taskbar_hint(window, TRUE);
	gtk_window_set_skip_pager_hint(window, TRUE);
	gtk_window_set_keep_above(window, TRUE);
	gtk_window_set_accept_focus(window, FALSE);
	gtk_window_set_focus_on_map(window, FALSE);
	gtk_window_set_default_size(window, m_width, m_height);
	gtk_widget_set_app_paintable(m_window, TRUE);
	if (GdkVisual* visual = gdk_screen_get_rgba_visual(gtk_widget_get_screen(m_window)))
		gtk_widget_set_visual(m_window, visual);

	WebKitUserContentManager* content = webkit_user_content_manager_new();
	g_signal_connect(content, (std::string("script-message-received::") + CLICK_HANDLER).c_str(), G_CALLBACK(&Signals::clicked), this);
	webkit_user_content_manager_register_script_message_handler_in_world(content, CLICK_HANDLER, CLICK_WORLD);
	WebKitUserScript* watcher = webkit_user_script_new_for_world(CLICK_WATCHER, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
		WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, CLICK_WORLD, nullptr, nullptr);
	webkit_user_content_manager_add_script(content, watcher);
	webkit_user_script_unref(watcher);
	m_content = content;
	m_view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", s_context, "user-content-manager", content, nullptr));
	GdkRGBA const clear = {0.0, 0.0, 0.0, 0.0};
	webkit_web_view_set_background_color(m_view, &clear);
	gtk_container_add(GTK_CONTAINER(m_window), GTK_WIDGET(m_view));
	g_signal_connect(m_view, "decide-policy", G_CALLBACK(&Signals::decide), this);
	g_signal_connect(m_view, "load-changed", G_CALLBACK(&Signals::changed), this);
	g_signal_connect(m_view, "load-failed", G_CALLBACK(&Signals::failed), this);
	g_signal_connect(m_view, "resource-load-started", G_CALLBACK(&Signals::resourceStarted), this);
	g_signal_connect(m_view, "permission-request", G_CALLBACK(&Signals::permission), this);
	g_signal_connect(m_view, "run-file-chooser", G_CALLBACK(&Signals::fileChooser), this);
	g_signal_connect(m_view, "print", G_CALLBACK(&Signals::print), this);
	gtk_widget_show(GTK_WIDGET(m_view));
	setOpacity(0.0);
}

GtkPageEngine::~GtkPageEngine()
{
	*m_self = nullptr;
	engines().erase(this);
	if (m_fadeSource)
		g_source_remove(m_fadeSource);
	if (m_view)
	{
		g_signal_handlers_disconnect_by_data(m_view, this);
		webkit_web_view_stop_loading(m_view);
	}
	if (m_content)
	{
		g_signal_handlers_disconnect_by_data(m_content, this);
		g_object_unref(m_content);
	}
	if (m_window)
		gtk_widget_destroy(m_window);
}

void GtkPageEngine::setListener(PageEngineListener* listener)
{
	m_listener = listener;
}

void GtkPageEngine::failWithoutDisplay(std::string const& what)
{
	std::string const why = hasDisplay() ? guardMissing() : "web pages need a display";
	lang::Debug::printf("WebView: cannot load %s: %s\n", what.c_str(), why.c_str());
	std::weak_ptr<GtkPageEngine*> self = m_self;
	postToMainThread([self]() {
		std::shared_ptr<GtkPageEngine*> alive = self.lock();
		if (alive && *alive && (*alive)->m_listener)
			(*alive)->m_listener->pageFailed(false);
	});
}

void GtkPageEngine::refuseDownload(std::string const& url)
{
	if (m_listener)
	{
		lang::Ptr<GtkPageEngine> keep(this);
		m_listener->downloadRefused(url);
	}
	else
		lang::Debug::printf("WebView: a download of %s was refused: pages cannot save files\n", url.c_str());
}

void GtkPageEngine::failUnanswered(std::string const& url, std::string const& why)
{
	lang::Debug::printf("WebView: the load of %s was stopped: %s\n", url.c_str(), why.c_str());
	m_loadFailed = true;
	if (!m_listener)
		return;
	lang::Ptr<GtkPageEngine> keep(this);
	m_listener->pageFailed(false);
}

void GtkPageEngine::loadUrl(std::string const& url)
{
	if (!m_view)
		return failWithoutDisplay(url);
	webkit_web_view_load_uri(m_view, url.c_str());
}

void GtkPageEngine::loadHtml(std::string const& html, std::string const& baseUrl)
{
	if (!m_view)
		return failWithoutDisplay(baseUrl);
	GBytes* bytes = g_bytes_new(html.data(), html.size());
	webkit_web_view_load_bytes(m_view, bytes, "text/html", "UTF-8", baseUrl.c_str());
	g_bytes_unref(bytes);
}

void GtkPageEngine::reload()
{
	if (!m_view)
		return failWithoutDisplay("the page");
	webkit_web_view_reload(m_view);
}

std::string GtkPageEngine::evaluate(std::string const& script)
{
	if (!m_view)
		return "";
	lang::Ptr<GtkPageEngine> keep(this);
	std::shared_ptr<Answer> answer = std::make_shared<Answer>();
	GCancellable* cancellable = g_cancellable_new();
	webkit_web_view_evaluate_javascript(m_view, script.data(), gssize(script.size()), nullptr, nullptr, cancellable,
		&evaluated, new std::shared_ptr<Answer>(answer));
	bool late = false;
	guint const timer = g_timeout_add(5000, &timedOut, &late);
	while (!answer->done && !late)
		g_main_context_iteration(nullptr, TRUE);
	if (!late)
		g_source_remove(timer);
	if (!answer->done)
		g_cancellable_cancel(cancellable);
	g_object_unref(cancellable);
	return answer->done ? answer->text : std::string();
}

void GtkPageEngine::bringToFront()
{
	if (m_window && m_shown && gtk_widget_get_window(m_window))
		gdk_window_raise(gtk_widget_get_window(m_window));
}

void GtkPageEngine::place()
{
	PageWindowPlace const game = pageWindowPlace();
	int const x = int(std::clamp((long long)game.x + m_x, -1000000LL, 1000000LL));
	int const y = int(std::clamp((long long)game.y + m_y, -1000000LL, 1000000LL));
	if (x == m_placedX && y == m_placedY)
		return;
	m_placedX = x;
	m_placedY = y;
	gtk_window_move(GTK_WINDOW(m_window), x, y);
}

void GtkPageEngine::setOpacity(double alpha)
{
	m_alpha = alpha;
	if (!m_window)
		return;
	gtk_widget_set_opacity(m_window, alpha);
	if (alpha <= 0.0 && m_shown)
	{
		gtk_widget_hide(m_window);
		m_shown = false;
	}
	else if (alpha > 0.0 && !m_shown)
	{
		m_placedX = m_placedY = -1;
		m_shown = true;
		place();
		gtk_widget_show(m_window);
		gtk_window_resize(GTK_WINDOW(m_window), m_width, m_height);
		bringToFront();
	}
}

bool GtkPageEngine::stepFade()
{
	long long const elapsed = g_get_monotonic_time() - m_fadeStart;
	if (elapsed >= m_fadeMicros)
	{
		setOpacity(m_fadeTo);
		return false;
	}
	setOpacity(m_fadeFrom + (m_fadeTo - m_fadeFrom) * double(elapsed) / double(m_fadeMicros));
	return true;
}

void GtkPageEngine::fadeTo(float alpha, float seconds)
{
	if (m_fadeSource)
	{
		g_source_remove(m_fadeSource);
		m_fadeSource = 0;
	}
	double const target = std::clamp(double(alpha), 0.0, 1.0);
	if (!(seconds > 0.f) || !m_window)
	{
		setOpacity(target);
		return;
	}
	m_fadeFrom = m_alpha;
	m_fadeTo = target;
	m_fadeStart = g_get_monotonic_time();
	m_fadeMicros = (long long)(std::min(seconds, 60.f) * 1e6f);
	// A fade in shows the window at once (at alpha 0 it is hidden).
	if (m_alpha <= 0.0 && target > 0.0)
		setOpacity(0.01);
	m_fadeSource = g_timeout_add(16, &Signals::fade, this);
}

} // pf

// The plugin's entry points, which the program finds by name once it
// opens the plugin (pf/linux/PagePlugin.h).
extern "C"
{

__attribute__((visibility("default"))) pf::PageEngine* engCreatePageEngine(int x, int y, int width, int height)
{
	return new pf::GtkPageEngine(x, y, width, height);
}

__attribute__((visibility("default"))) void engTurnPageLoop()
{
	pf::GtkPageEngine::turn();
}

} // extern "C"
