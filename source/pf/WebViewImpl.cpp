#include "WebViewImpl.h"
#include "Launcher.h"
#include "MainThread.h"
#include "WebViewObserver.h"
#include <io/detail/detail.h>
#include <lang/Debug.h>
#include <lang/Format.h>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <iterator>
#include <system_error>

namespace pf
{

namespace
{

/**
 * The page's bridge for a call kind ("js-call" or "wv-call"): a function
 * that navigates a passing frame to "<kind>:<token>:<name>".
 */
std::string bridgeFunction(char const* function, char const* kind, std::string const& token)
{
	return std::string("function ") + function + "(functionName) {  var iframe = document.createElement('IFRAME');  " +
		"iframe.setAttribute('src', '" + kind + ":" + token + ":' + functionName);  document.documentElement.appendChild(iframe);  " +
		"iframe.parentNode.removeChild(iframe);  iframe = null;};";
}

/** 128 random bits as 32 lower-case hexadecimal digits. */
std::string newToken()
{
	static char const hex[] = "0123456789abcdef";
	std::random_device random;
	std::string token;
	for (int i = 0; i < 4; ++i)
		for (unsigned word = random(), k = 0; k < 8; ++k, word >>= 4)
			token += hex[word & 15];
	return token;
}

char const JS_CALL[] = "js-call:";
char const WV_CALL[] = "wv-call:";

/** Largest page file loadLocalUrl reads. */
std::uintmax_t const MAX_PAGE_FILE = 64u << 20;

bool startsWith(std::string const& text, char const* prefix)
{
	return text.compare(0, std::strlen(prefix), prefix) == 0;
}

int hexValue(char c)
{
	if (c >= '0' && c <= '9')
		return c - '0';
	if (c >= 'a' && c <= 'f')
		return c - 'a' + 10;
	if (c >= 'A' && c <= 'F')
		return c - 'A' + 10;
	return -1;
}

/** True when text is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF). */
bool isUtf8(std::string const& text)
{
	size_t i = 0;
	size_t const n = text.size();
	while (i < n)
	{
		unsigned char const c = static_cast<unsigned char>(text[i]);
		size_t more = 0;
		unsigned min = 0;
		unsigned cp = 0;
		if (c < 0x80)
		{
			++i;
			continue;
		}
		else if (c >= 0xC2 && c <= 0xDF)
		{
			more = 1;
			min = 0x80;
			cp = c & 0x1Fu;
		}
		else if (c >= 0xE0 && c <= 0xEF)
		{
			more = 2;
			min = 0x800;
			cp = c & 0x0Fu;
		}
		else if (c >= 0xF0 && c <= 0xF4)
		{
			more = 3;
			min = 0x10000;
			cp = c & 0x07u;
		}
		else
			return false;
		if (n - i - 1 < more)
			return false;
		for (size_t k = 1; k <= more; ++k)
		{
			unsigned char const d = static_cast<unsigned char>(text[i + k]);
			if ((d & 0xC0u) != 0x80u)
				return false;
			cp = (cp << 6) | (d & 0x3Fu);
		}
		if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
			return false;
		i += more + 1;
	}
	return true;
}

/** Whether the resolved path lies below the resolved folder root. */
bool isBelow(std::filesystem::path const& path, std::filesystem::path const& root)
{
	std::filesystem::path const rel = path.lexically_relative(root);
	return !rel.empty() && *rel.begin() != ".." && rel != ".";
}

/** The file: address of an absolute path. */
std::string fileUrl(std::string const& path)
{
	static char const hex[] = "0123456789ABCDEF";
	std::string url = "file://";
	for (char ch : path)
	{
		unsigned char const c = static_cast<unsigned char>(ch);
		if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || std::strchr("/-._~", c))
			url += ch;
		else
		{
			url += '%';
			url += hex[c >> 4];
			url += hex[c & 15];
		}
	}
	return url;
}

} // namespace

char const* const WebViewImpl::NAMESPACE = "Quennet.Platform.WebView";

WebViewImpl::WebViewImpl(lang::Ptr<PageEngine> const& engine, WebView* view) :
	m_engine(engine), m_view(view), m_observer(nullptr), m_token(newToken()), m_self(std::make_shared<WebViewImpl*>(this)),
	m_bridged(false)
{
	m_engine->setListener(this);
}

WebViewImpl::~WebViewImpl()
{
	*m_self = nullptr;
	m_engine->setListener(nullptr);
}

void WebViewImpl::close()
{
	m_view = nullptr;
	m_observer = nullptr;
	*m_self = nullptr;
	m_engine->setListener(nullptr);
	m_engine->fadeTo(0.f, 0.f);
}

void WebViewImpl::loadUrl(std::string const& url)
{
	m_origins.assign(1, originOf(url));
	m_engine->loadUrl(url);
}

void WebViewImpl::loadLocalUrl(std::string const& path)
{
	// The path is taken below the data root as a whole (dotted folders
	// included); ".." may not climb above the root.
	std::filesystem::path rel;
	bool outside = false;
	for (std::filesystem::path const& part : std::filesystem::path(path).relative_path())
	{
		std::string const s = part.string();
		if (s.empty() || s == ".")
			continue;
		if (s == "..")
		{
			if (rel.empty())
			{
				outside = true;
				break;
			}
			rel = rel.parent_path();
			continue;
		}
		rel /= part;
	}
	// Symbolic links are followed before the file is judged: the file
	// itself, resolved, must lie below the resolved root.
	std::error_code ec;
	std::filesystem::path const root = std::filesystem::canonical(io::detail::bundlePath(), ec);
	std::filesystem::path file;
	if (!ec && !outside && !rel.empty())
		file = std::filesystem::canonical(root / rel, ec);
	std::string why;
	if (outside)
		why = "the path leaves the data folder";
	else if (rel.empty())
		why = "no file named";
	else if (ec || !std::filesystem::is_regular_file(file, ec))
		why = "no such file";
	else if (!isBelow(file, root))
		why = "the file lies outside the data folder";
	else if (std::filesystem::file_size(file, ec) > MAX_PAGE_FILE || ec)
		why = "larger than 64 MiB";
	std::string html;
	if (why.empty())
	{
		std::ifstream in(file, std::ios::binary);
		html.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
		if (!in.good() && !in.eof())
			why = "cannot be read";
	}
	if (!why.empty())
	{
		lang::Debug::printf("WebView: cannot load %s: %s\n", path.c_str(), why.c_str());
		reportFailureLater();
		return;
	}
	m_origins.assign(1, originOf("file://"));
	m_engine->loadHtml(html, fileUrl(file.string()));
}

void WebViewImpl::reportFailureLater()
{
	std::weak_ptr<WebViewImpl*> self = m_self;
	postToMainThread([self]() {
		std::shared_ptr<WebViewImpl*> alive = self.lock();
		if (alive && *alive)
			(*alive)->pageFailed(false);
	});
}

void WebViewImpl::reload()
{
	m_engine->reload();
}

void WebViewImpl::show()
{
	m_engine->bringToFront();
	m_engine->fadeTo(1.f, 0.5f);
}

void WebViewImpl::hide()
{
	m_engine->fadeTo(0.f, 0.f);
}

std::string WebViewImpl::executeJavaScript(std::string const& script)
{
	lang::Ptr<PageEngine> engine = m_engine;
	return engine->evaluate(script);
}

void WebViewImpl::asyncExecuteJavaScript(std::string const& script)
{
	lang::Ptr<PageEngine> engine = m_engine;
	engine->evaluate("function asyncExec() {" + script + "}" + "setTimeout(asyncExec, 0);");
}

std::string WebViewImpl::title()
{
	lang::Ptr<PageEngine> engine = m_engine;
	return engine->evaluate("document.title");
}

bool WebViewImpl::allowNavigation(std::string const& url, bool playerClicked)
{
	// The observer may delete the view while it is asked.
	lang::Ptr<WebViewImpl> keep(this);
	if (startsWith(url, JS_CALL))
	{
		std::string call;
		if (m_observer && fromMainFrame(url, JS_CALL) && unescape(url.substr(std::strlen(JS_CALL) + m_token.size() + 1), call))
			m_observer->callLuaFunction(call);
		return false;
	}
	if (startsWith(url, WV_CALL))
	{
		if (!fromMainFrame(url, WV_CALL))
			return false;
		std::string const name = url.substr(std::strlen(WV_CALL) + m_token.size() + 1);
		std::string const ns = NAMESPACE;
		if (name == ns + ".show")
			show();
		else if (name == ns + ".hide")
			hide();
		return false;
	}
	// Only the player's own click on the game's page is the game's to
	// decide: any other navigation goes on without asking, and its
	// document gets the bridge only by the origins the game chose.
	if (!playerClicked || !m_bridged || !m_observer)
		return true;
	int const code = m_observer->onLinkClicked(url, m_view);
	if (code == WEBVIEW_LINK_DONT_LOAD)
		return false;
	if (code == WEBVIEW_LINK_EXTERNAL)
	{
		Launcher().openURL(url);
		return false;
	}
	// The game let the link load: its page may call the game's scripts.
	std::string const origin = originOf(url);
	if (code == WEBVIEW_LINK_LOAD && !origin.empty() && std::find(m_origins.begin(), m_origins.end(), origin) == m_origins.end())
		m_origins.push_back(origin);
	return true;
}

void WebViewImpl::downloadRefused(std::string const& url)
{
	m_lines.log("WebView: a download of " + lang::Debug::shortened(url, 200) + " was refused: pages cannot save files");
}

bool WebViewImpl::fromMainFrame(std::string const& url, char const* kind)
{
	size_t const at = std::strlen(kind);
	if (url.compare(at, m_token.size(), m_token) == 0 && url.size() > at + m_token.size() && url[at + m_token.size()] == ':')
		return true;
	m_lines.log("WebView: a call from outside the page's main frame was refused");
	return false;
}

void WebViewImpl::pageCommitted(std::string const& url)
{
	// A new document, a new token: one that an earlier document held is
	// void before the new one runs.
	m_token = newToken();
	m_lines.endPage();
	m_origin = originOf(url);
	std::string const shown = lang::Debug::shortened(url, 200);
	m_bridged = !m_origin.empty() && std::find(m_origins.begin(), m_origins.end(), m_origin) != m_origins.end();
	if (!m_bridged)
		lang::Debug::printf("WebView: %s is not a page the game sent the view to: it cannot call the game's scripts\n", shown.c_str());
}

void WebViewImpl::pageLoaded()
{
	lang::Ptr<WebViewImpl> keep(this);
	// The main frame may have moved on to another document since its load
	// ended: the bridge goes only into one of the origin committed.
	if (m_bridged)
		for (std::string const& script : bridgeScripts(m_token))
			m_engine->evaluate(forOrigin(m_origin, script));
	if (m_observer)
	{
		std::string const t = title();
		if (m_observer)
			m_observer->onUrlLoadCompleted(true, t, m_view);
	}
}

void WebViewImpl::pageFailed(bool cancelled)
{
	lang::Ptr<WebViewImpl> keep(this);
	if (!m_observer)
		return;
	std::string const t = title();
	if (m_observer)
		m_observer->onUrlLoadCompleted(cancelled, t, m_view);
}

std::string WebViewImpl::namespaceCode(std::string const& ns, std::vector<std::string> const& functions, int version)
{
	std::string code;
	for (size_t from = 0;;)
	{
		size_t const dot = ns.find('.', from);
		std::string const prefix = ns.substr(0, dot);
		code += lang::Format("if (typeof({0}) == 'undefined') ", prefix).format();
		code += "{ " + prefix + " = {}; };\n";
		if (dot == std::string::npos)
			break;
		from = dot + 1;
	}
	code += lang::Format("{0}.version = {1};", ns, version).format() + "\n";
	for (std::string const& f : functions)
	{
		code += lang::Format("{0}.{1} = function()", ns, f).format();
		code += " { ";
		code += lang::Format("callWebViewFunction('{0}.{1}');", ns, f).format();
		code += "};\n";
	}
	return code;
}

std::vector<std::string> WebViewImpl::bridgeScripts(std::string const& token)
{
	return {bridgeFunction("callLuaFunction", "js-call", token),
		bridgeFunction("callWebViewFunction", "wv-call", token) + namespaceCode(NAMESPACE, {"show", "hide"}, 1)};
}

std::string WebViewImpl::originOf(std::string const& url)
{
	size_t const colon = url.find(':');
	if (colon == std::string::npos || colon == 0)
		return "";
	std::string scheme = url.substr(0, colon);
	for (char& c : scheme)
	{
		if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.')
			return "";
		c = char(std::tolower(static_cast<unsigned char>(c)));
	}
	if (scheme == "blob")
		return originOf(url.substr(colon + 1));
	if (scheme == "file")
		return "file://";
	if (url.compare(colon + 1, 2, "//") != 0)
		return "";
	size_t const start = colon + 3;
	std::string authority = url.substr(start, url.find_first_of("/?#\\", start) - start);
	size_t const at = authority.rfind('@');
	if (at != std::string::npos)
		authority.erase(0, at + 1);
	for (char& c : authority)
		c = char(std::tolower(static_cast<unsigned char>(c)));
	// Only what a host and port are made of, so that the origin can stand
	// in a script's quotes.
	if (authority.empty() || authority.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789.-_:[]") != std::string::npos)
		return "";
	std::string const defaultPort = scheme == "http" || scheme == "ws" ? ":80" : scheme == "https" || scheme == "wss" ? ":443" : "";
	if (!defaultPort.empty() && authority.size() > defaultPort.size() &&
		authority.compare(authority.size() - defaultPort.size(), defaultPort.size(), defaultPort) == 0)
		authority.erase(authority.size() - defaultPort.size());
	return scheme + "://" + authority;
}

std::string WebViewImpl::forOrigin(std::string const& origin, std::string const& script)
{
	return "if (location.origin === '" + origin + "') {" + script + "}";
}

bool WebViewImpl::unescape(std::string const& text, std::string& out)
{
	std::string s;
	s.reserve(text.size());
	for (size_t i = 0; i < text.size(); ++i)
	{
		char c = text[i];
		if (c == '%')
		{
			int const hi = i + 2 < text.size() ? hexValue(text[i + 1]) : -1;
			int const lo = hi >= 0 ? hexValue(text[i + 2]) : -1;
			if (lo < 0)
				return false;
			c = static_cast<char>(hi * 16 + lo);
			i += 2;
		}
		if (c == '\0')
			return false;
		s += c;
	}
	if (!isUtf8(s))
		return false;
	out.swap(s);
	return true;
}

} // pf
