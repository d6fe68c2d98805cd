#pragma once

#include <gtest/gtest.h>
#include <support/TempFolder.h>
#include <cstdint>
#include <string>
#include <vector>

/**
 * Sends the process's sound to the audio library's wave writer: SetUp
 * writes a configuration (16-bit stereo at the given rate, no dither, no
 * limiter) into a temporary folder and points the library at it. Register
 * it before any device is opened:
 *     ::testing::AddGlobalTestEnvironment(new AudioWaveEnvironment(22050));
 * The writer runs in real time from the device's opening, so the file
 * starts with silence; each opening truncates it, and it is complete once
 * the device is closed.
 */
class AudioWaveEnvironment : public ::testing::Environment
{
public:
	explicit AudioWaveEnvironment(int rate) : m_rate(rate) {}

	void SetUp() override;

	/** The wave file. */
	std::string wavePath() const { return m_folder / "out.wav"; }

	/** The 16-bit samples (interleaved left, right) of the wave file's data chunk. */
	std::vector<int16_t> samples() const;

private:
	test::TempFolder m_folder;
	int m_rate;
};
