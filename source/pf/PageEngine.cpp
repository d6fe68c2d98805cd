#include "PageEngine.h"
#include <cmath>

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
