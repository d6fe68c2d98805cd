#include "PageEngine.h"
#include <io/detail/detail.h>
#include <cmath>
#include <filesystem>
#include <system_error>

namespace pf
{

namespace
{

PageEngineFactory& factory()
{
	static PageEngineFactory f;
	return f;
}

std::function<PageWindowPlace()>& placeQuery()
{
	static std::function<PageWindowPlace()> q;
	return q;
}

} // namespace

void setPageEngineFactory(PageEngineFactory f)
{
	factory() = std::move(f);
}

lang::Ptr<PageEngine> createPageEngine(int x, int y, int width, int height)
{
	if (factory())
		return factory()(x, y, width, height);
	return createPlatformPageEngine(x, y, width, height);
}

std::string pageDataRoot()
{
	std::string const bundle = io::detail::bundlePath();
	if (bundle.empty())
		return "";
	std::error_code ec;
	std::filesystem::path const root = std::filesystem::canonical(bundle, ec);
	if (ec || !std::filesystem::is_directory(root, ec))
		return "";
	return root.string();
}

void setPageWindowPlace(std::function<PageWindowPlace()> query)
{
	placeQuery() = std::move(query);
}

PageWindowPlace pageWindowPlace()
{
	PageWindowPlace place;
	if (placeQuery())
		place = placeQuery()();
	if (!(place.pixelRatio > 0.f) || !std::isfinite(place.pixelRatio))
		place.pixelRatio = 1.f;
	return place;
}

} // pf
