#include "WebView.h"
#include "WebViewImpl.h"
#include <algorithm>
#include <cmath>

namespace pf
{

namespace
{

/** value / ratio, rounded and kept within a million points either way. */
int toPoints(int value, float ratio)
{
	double const v = std::round(double(value) / double(ratio));
	return int(std::clamp(v, -1e6, 1e6));
}

} // namespace

WebView::WebView(int x, int y, int width, int height)
{
	float const ratio = pageWindowPlace().pixelRatio;
	m_impl = new WebViewImpl(createPageEngine(toPoints(x, ratio), toPoints(y, ratio), toPoints(width, ratio), toPoints(height, ratio)), this);
}

WebView::~WebView()
{
	m_impl->close();
}

void WebView::loadUrl(std::string const& url)
{
	lang::Ptr<WebViewImpl> impl = m_impl;
	impl->loadUrl(url);
}

void WebView::loadLocalUrl(std::string const& path)
{
	lang::Ptr<WebViewImpl> impl = m_impl;
	impl->loadLocalUrl(path);
}

void WebView::reload()
{
	lang::Ptr<WebViewImpl> impl = m_impl;
	impl->reload();
}

void WebView::show()
{
	lang::Ptr<WebViewImpl> impl = m_impl;
	impl->show();
}

void WebView::hide()
{
	lang::Ptr<WebViewImpl> impl = m_impl;
	impl->hide();
}

void WebView::setObserver(WebViewObserver* observer)
{
	m_impl->setObserver(observer);
}

WebViewObserver* WebView::getObserver() const
{
	return m_impl->getObserver();
}

std::string WebView::executeJavaScript(std::string const& script)
{
	// The page may run game script while it answers, which may delete
	// this view: the controller stays until the call returns.
	lang::Ptr<WebViewImpl> impl = m_impl;
	return impl->executeJavaScript(script);
}

void WebView::asyncExecuteJavaScript(std::string const& script)
{
	lang::Ptr<WebViewImpl> impl = m_impl;
	impl->asyncExecuteJavaScript(script);
}

bool WebView::isWebViewSupported()
{
	return true;
}

} // pf
