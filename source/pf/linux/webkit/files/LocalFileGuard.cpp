// Loaded by the page engine into each of its web processes: every request
// a page makes for a local file (its own load, a navigation, a frame, a
// link, a redirect, a fetch, an XHR, an image or a script) is judged by
// the file it would read, resolved (percent escapes decoded, "." and ".."
// and symbolic links followed), against the resolved data root. A request
// outside the root fails. Built without the engine's libraries and its
// sanitizers: the web process is WebKit's own.
#include <webkit2/webkit-web-extension.h>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{

/** The resolved data root ("" when none: then no local file is reachable). */
std::string s_root;

/** A page's refusals: the first of each document is logged, the others counted until the next document or the page's end. */
struct Refusals
{
	unsigned long count = 0;
};

/**
 * The file a file: address reads, resolved, when it lies below the root;
 * "" when not, when it cannot be resolved or when the address is not a
 * plain local one (a host other than "localhost", an escaped "/" or zero
 * byte).
 */
std::string fileBelowRoot(char const* uri)
{
	if (s_root.empty())
		return "";
	std::string rest(uri + std::strlen("file://"));
	rest = rest.substr(0, rest.find_first_of("?#"));
	size_t const slash = rest.find('/');
	if (slash == std::string::npos)
		return "";
	std::string const host = rest.substr(0, slash);
	if (!host.empty() && g_ascii_strcasecmp(host.c_str(), "localhost") != 0)
		return "";
	// An escaped "/" would be a separator here and may not be one to the
	// loader: refused, as a zero byte is.
	char* path = g_uri_unescape_string(rest.c_str() + slash, "/");
	if (!path)
		return "";
	char resolved[PATH_MAX];
	bool const found = realpath(path, resolved) != nullptr;
	g_free(path);
	if (!found)
		return "";
	std::string const file = resolved;
	if (s_root == "/" || file.compare(0, s_root.size() + 1, s_root + "/") == 0)
		return file;
	return "";
}

gboolean sendRequest(WebKitWebPage*, WebKitURIRequest* request, WebKitURIResponse* redirected, gpointer data)
{
	char const* uri = webkit_uri_request_get_uri(request);
	if (!uri || g_ascii_strncasecmp(uri, "file:", 5) != 0)
		return FALSE;
	if (g_ascii_strncasecmp(uri, "file://", 7) == 0 && !fileBelowRoot(uri).empty())
		return FALSE;
	Refusals* refusals = static_cast<Refusals*>(data);
	if (refusals->count++ == 0)
		std::fprintf(stderr, "WebView: a page's request for %.200s was refused: the file is not in the data folder\n", uri);
	// A redirect is stopped, as the engine stops a redirect from the web to
	// any file; any other request is sent to an address no one serves, so
	// that it fails as a load that went wrong (a stopped one would pass for
	// one that a new load replaced).
	if (redirected)
		return TRUE;
	webkit_uri_request_set_uri(request, "refused-file:");
	return FALSE;
}

/** Logs how many refusals went unlogged and starts counting anew. */
void reportCount(Refusals* refusals)
{
	if (refusals->count > 1)
		std::fprintf(stderr, "WebView: %lu more requests for files outside the data folder were refused\n", refusals->count - 1);
	refusals->count = 0;
}

void documentLoaded(WebKitWebPage*, gpointer data)
{
	reportCount(static_cast<Refusals*>(data));
}

void pageGone(gpointer data, GClosure*)
{
	reportCount(static_cast<Refusals*>(data));
	delete static_cast<Refusals*>(data);
}

void pageCreated(WebKitWebExtension*, WebKitWebPage* page, gpointer)
{
	Refusals* refusals = new Refusals;
	g_signal_connect(page, "document-loaded", G_CALLBACK(&documentLoaded), refusals);
	g_signal_connect_data(page, "send-request", G_CALLBACK(&sendRequest), refusals, &pageGone, GConnectFlags(0));
}

} // namespace

extern "C" __attribute__((visibility("default"))) void webkit_web_extension_initialize_with_user_data(
	WebKitWebExtension* extension, GVariant const* data)
{
	if (data && g_variant_is_of_type(const_cast<GVariant*>(data), G_VARIANT_TYPE_STRING))
		s_root = g_variant_get_string(const_cast<GVariant*>(data), nullptr);
	g_signal_connect(extension, "page-created", G_CALLBACK(&pageCreated), nullptr);
}
