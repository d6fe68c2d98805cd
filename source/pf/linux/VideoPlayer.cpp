#include <pf/VideoPlayer.h>
#include <pf/VideoPlayerObserver.h>
#include <pf/linux/VideoPlayerImpl.h>
#include <pf/linux/VideoPlugin.h>
#include <gr/Context.h>
#include <gr/SurfaceFormat.h>
#include <lang/Debug.h>

namespace pf
{

VideoPlayerImpl::VideoPlayerImpl() :
	m_observer(nullptr),
	m_shownWidth(0),
	m_shownHeight(0),
	m_shownChanged(false),
	m_shownTime(0),
	m_hasNext(false),
	m_clock(0),
	m_imageContext(nullptr)
{
}

VideoPlayerImpl::~VideoPlayerImpl()
{
	stop();
}

void VideoPlayerImpl::stop()
{
	if (videoScreen() == this)
		setVideoScreen(nullptr);
	m_observer = nullptr;
	if (m_sound)
		m_sound->close();
	m_image = nullptr;
	m_imageContext = nullptr;
}

bool VideoPlayerImpl::isPlaying() const
{
	return videoScreen() == this;
}

bool VideoPlayerImpl::play(std::string const& path, VideoPlayerObserver* observer)
{
	stop();
	m_path = path;
	std::string why;
	if (!m_decoder)
		m_decoder = createVideoDecoder(why);
	if (!m_decoder)
	{
		lang::Debug::printf("Cannot play video %s: %s\n", path.c_str(), why.c_str());
		return false;
	}
	if (!m_decoder->open(path) || !m_decoder->next())
	{
		lang::Debug::printf("Cannot play video %s: %s\n", path.c_str(),
			m_decoder->error().empty() ? "it has no picture" : m_decoder->error().c_str());
		return false;
	}
	take();
	m_clock = m_shownTime;
	m_hasNext = m_decoder->next();
	if (!m_sound)
		m_sound = createVideoSound();
	if (m_sound)
	{
		m_sound->open(path);
		m_sound->pump(m_clock);
	}
	m_observer = observer;
	// Any other player's video leaves the slot (its observer is not told).
	setVideoScreen(this);
	return true;
}

void VideoPlayerImpl::take()
{
	m_shown = m_decoder->rgba();
	m_shownWidth = m_decoder->width();
	m_shownHeight = m_decoder->height();
	m_shownChanged = true;
	m_shownTime = m_decoder->time();
}

void VideoPlayerImpl::frame(float dt, gr::Context* context)
{
	if (!isPlaying())
		return;
	if (dt > 0)
		m_clock += dt;
	// The picture shown is the latest whose time has come; the one after
	// it is decoded ahead. The video ends once the clock passes the last.
	while (m_hasNext && m_decoder->time() <= m_clock)
	{
		take();
		m_hasNext = m_decoder->next();
	}
	bool const ended = !m_hasNext && m_clock > m_shownTime;
	if (!ended && m_sound)
		m_sound->pump(m_clock);
	draw(context);
	if (ended)
	{
		if (!m_decoder->error().empty())
			lang::Debug::printf("Video %s %s\n", m_path.c_str(), m_decoder->error().c_str());
		end();
	}
}

void VideoPlayerImpl::end()
{
	VideoPlayerObserver* observer = m_observer;
	stop();
	if (observer)
		observer->videoPlayEnded();
}

void VideoPlayerImpl::fit(int width, int height, int screenWidth, int screenHeight, int rect[4])
{
	// width / height against screenWidth / screenHeight, in integers.
	long long const wide = static_cast<long long>(width) * screenHeight;
	long long const tall = static_cast<long long>(height) * screenWidth;
	int w = screenWidth, h = screenHeight;
	if (wide > tall)
		h = static_cast<int>(static_cast<long long>(screenWidth) * height / width);
	else if (wide < tall)
		w = static_cast<int>(static_cast<long long>(screenHeight) * width / height);
	rect[0] = (screenWidth - w) / 2;
	rect[1] = (screenHeight - h) / 2;
	rect[2] = w;
	rect[3] = h;
}

void VideoPlayerImpl::draw(gr::Context* context)
{
	context->clear(0xFF000000, true, true, false);
	if (m_shownWidth <= 0 || m_shownHeight <= 0)
		return;
	gr::SurfaceFormat const rgba(gr::SurfaceFormat::SURFACE_A8B8G8R8);
	if (!m_image || m_imageContext != context || m_image->width() != m_shownWidth || m_image->height() != m_shownHeight)
	{
		m_image = context->createImage(m_shownWidth, m_shownHeight, 1, rgba, gr::Context::USAGE_STATIC);
		m_imageContext = context;
		m_shownChanged = true;
	}
	if (m_shownChanged)
	{
		m_image->blt(0, 0, m_shown.data(), m_shownWidth * 4, 0, m_shownWidth, m_shownHeight, rgba);
		m_shownChanged = false;
	}
	int rect[4];
	fit(m_shownWidth, m_shownHeight, context->width(), context->height(), rect);
	m_image->draw(context, static_cast<float>(rect[0]), static_cast<float>(rect[1]), 0, 0, m_shownWidth, m_shownHeight,
		static_cast<float>(rect[2]), static_cast<float>(rect[3]));
	context->flush();
}

VideoPlayer::VideoPlayer() :
	m_impl(new VideoPlayerImpl())
{
}

VideoPlayer::~VideoPlayer()
{
}

bool VideoPlayer::playFullscreen(std::string const& path, VideoPlayerObserver* observer)
{
	return m_impl->play(path, observer);
}

bool VideoPlayer::isPlaying() const
{
	return m_impl->isPlaying();
}

} // pf
