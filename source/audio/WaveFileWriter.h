#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace audio
{

/**
 * A 16-bit PCM wave file written as sound comes: after every write the
 * header holds the sizes so far, so the file is complete at any moment (a
 * run that is killed leaves what it recorded). One thread; not copyable.
 */
class WaveFileWriter
{
public:
	/**
	 * Creates the file at path (replacing one that is there) with an empty
	 * data chunk of the format.
	 * @exception io::IOException "Cannot write the sound to {path}: {why}".
	 */
	WaveFileWriter(std::string const& path, int channels, int sampleRate);

	/** Closes the file. */
	~WaveFileWriter();

	/**
	 * Appends count interleaved samples (little-endian in the file) and
	 * updates the header's sizes.
	 * @exception io::IOException As the constructor; a data chunk past the
	 *            format's 4 GiB limit is refused with "{path}: the sound
	 *            is longer than a wave file holds".
	 */
	void write(int16_t const* samples, size_t count);

	/** The path given to the constructor. */
	std::string const& path() const { return m_path; }

private:
	std::string m_path;
	FILE* m_file;
	uint64_t m_dataBytes;

	[[noreturn]] void fail(int error) const;
	void writeHeader(int channels, int sampleRate);

	WaveFileWriter(WaveFileWriter const&) = delete;
	WaveFileWriter& operator=(WaveFileWriter const&) = delete;
};

} // audio
