#pragma once

#include "VideoDecoder.h"
#include "VideoSound.h"
#include <pf/VideoSlot.h>
#include <memory>
#include <gr/Image.h>
#include <lang/Object.h>
#include <lang/Ptr.h>
#include <string>
#include <vector>

namespace pf
{

class VideoPlayerObserver;

/**
 * A playing movie in the video slot: decodes its pictures as the shell's
 * clock passes their times and draws the latest one fitted to the screen
 * with black bars. Main thread only.
 */
class VideoPlayerImpl : public lang::Object, public VideoScreen
{
public:
	VideoPlayerImpl();

	/** Leaves the slot without telling the observer. */
	~VideoPlayerImpl() override;

	/** Stops what plays (observer not told), opens path and takes the slot; false with a line when it cannot play. */
	bool play(std::string const& path, VideoPlayerObserver* observer);

	/** Leaves the slot and forgets the observer. */
	void stop();

	bool isPlaying() const;

	/** Seconds of the current video's sound decoded so far (0 without sound). */
	double soundSeconds() const { return m_sound ? m_sound->decodedSeconds() : 0; }

	void frame(float dt, gr::Context* context) override;

	/** The rectangle (x, y, width, height) of a width x height picture fitted into a screen of screenWidth x screenHeight. */
	static void fit(int width, int height, int screenWidth, int screenHeight, int rect[4]);

private:
	/** Made by the video plugin at the first play; null before, or when it cannot be opened. */
	std::unique_ptr<VideoDecoder> m_decoder;
	std::unique_ptr<VideoSound> m_sound;
	std::string m_path;
	VideoPlayerObserver* m_observer;
	std::vector<uint8_t> m_shown;
	int m_shownWidth;
	int m_shownHeight;
	bool m_shownChanged;
	double m_shownTime;
	bool m_hasNext;
	double m_clock;
	lang::Ptr<gr::Image> m_image;
	gr::Context* m_imageContext;

	/** Makes the decoded picture the one shown. */
	void take();

	/** Leaves the slot and tells the observer. */
	void end();

	void draw(gr::Context* context);
};

} // pf
