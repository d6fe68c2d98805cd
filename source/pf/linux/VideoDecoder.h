#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pf
{

/**
 * Decodes the picture of a movie file, in order, into RGBA pictures
 * (4 bytes per pixel, rows top down, no padding) with their times. Made
 * by the video plugin (VideoPlugin.h). Not thread-safe: one thread at a
 * time.
 */
class VideoDecoder
{
public:
	virtual ~VideoDecoder() {}

	/**
	 * Opens the movie at path and its best picture stream.
	 * @return False with the reason in error() when it cannot be played.
	 */
	virtual bool open(std::string const& path) = 0;

	/**
	 * Decodes the next picture into rgba(); false at the end of the
	 * picture or at damage that stops it (the reason then in error()).
	 */
	virtual bool next() = 0;

	/** The latest picture: width() x height() RGBA pixels. */
	virtual std::vector<uint8_t> const& rgba() const = 0;

	virtual int width() const = 0;
	virtual int height() const = 0;

	/** Time of the latest picture in seconds from the start. */
	virtual double time() const = 0;

	/** Why open or next failed ("" when it did not). */
	virtual std::string const& error() const = 0;

	/** Decodes the next picture without the RGBA conversion (for measuring); false at the end. */
	virtual bool decodeOnly() = 0;
};

} // pf
