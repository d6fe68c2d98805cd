#include "GlobalInit.h"
#include <lang/Exception.h>
#include <lang/Format.h>
#include <curl/curl.h>
#include <mutex>

namespace net
{

void globalInit()
{
	static std::once_flag s_once;
	std::call_once(s_once, [] {
		CURLcode result = curl_global_init(CURL_GLOBAL_DEFAULT);
		// An exception leaves the flag unset, so a later call tries again.
		if (result != CURLE_OK)
			lang::throwError(lang::Exception(lang::Format("libcurl initialisation failed: {0}", curl_easy_strerror(result))));
	});
}

} // net
