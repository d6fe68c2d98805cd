#include "ClockedSound.h"
#include "AudioOutputImpl.h"
#include <audio/WaveFileWriter.h>
#include <lang/Debug.h>
#include <lang/Throwable.h>
#include <algorithm>
#include <cmath>

namespace audio
{

ClockedSound& ClockedSound::get()
{
	static ClockedSound s_instance;
	return s_instance;
}

ClockedSound::ClockedSound() {}

ClockedSound::~ClockedSound() {}

int64_t ClockedSound::framesAt(int64_t micros, int sampleRate)
{
	return micros * sampleRate / 1000000;
}

void ClockedSound::attach(AudioOutputImpl* output)
{
	if (!SoundClock::running())
		return;
	for (Follower const& f : m_followers)
	{
		if (f.output == output)
			return;
	}
	int64_t const now = SoundClock::now();
	if (!m_fileTried && !SoundClock::waveFile().empty())
		openFile(*output);
	m_followers.push_back({output, framesAt(now, output->config().sampleRate)});
	SoundClock::add(this);
}

void ClockedSound::detach(AudioOutputImpl* output)
{
	m_followers.erase(std::remove_if(m_followers.begin(), m_followers.end(), [&](Follower const& f) { return f.output == output; }),
		m_followers.end());
}

void ClockedSound::openFile(AudioOutputImpl const& output)
{
	m_fileTried = true;
	std::string const path = SoundClock::waveFile();
	try
	{
		m_file.reset(new WaveFileWriter(path, output.config().channels, output.config().sampleRate));
		m_rate = output.config().sampleRate;
		m_channels = output.config().channels;
		m_written = 0;
		m_sum.clear();
		record(SoundClock::now());
	}
	catch (lang::Throwable const& e)
	{
		m_file.reset();
		lang::Debug::printf("%s\n", e.getMessage().format().c_str());
	}
}

void ClockedSound::mix(Follower& follower, int64_t micros)
{
	AudioOutputImpl& output = *follower.output;
	AudioConfiguration const& config = output.config();
	int64_t const frames = framesAt(micros, config.sampleRate) - follower.mixed;
	if (frames <= 0)
		return;
	follower.mixed += frames;
	int const bytesPerSample = config.bitsPerSample / 8;
	size_t const samples = static_cast<size_t>(frames) * static_cast<size_t>(config.channels);
	m_mix.resize(samples * static_cast<size_t>(bytesPerSample));
	if (bytesPerSample == 2)
		output.mixer().mixUnlimited16(config, m_mix.data(), static_cast<unsigned>(m_mix.size()));
	else
		output.mixer().mixUnlimited8(config, m_mix.data(), static_cast<unsigned>(m_mix.size()));
	// Heard when it fits the recording, and only the share the file takes now.
	if (!m_file || config.sampleRate != m_rate || config.channels != m_channels || samples > m_sum.size())
		return;
	float const volume = std::clamp(output.getMasterVolume() < 0 ? 1.f : output.getMasterVolume(), 0.f, 1.f);
	size_t const offset = m_sum.size() - samples;
	for (size_t i = 0; i < samples; ++i)
	{
		int const s = bytesPerSample == 2 ? int(int16_t(uint16_t(m_mix[2 * i] | (m_mix[2 * i + 1] << 8)))) : (int(m_mix[i]) - 128) * 256;
		m_sum[offset + i] += int32_t(std::lround(float(s) * volume));
	}
}

void ClockedSound::record(int64_t micros)
{
	int64_t const frames = framesAt(micros, m_rate) - m_written;
	if (!m_file || frames <= 0)
		return;
	m_written += frames;
	m_samples.resize(static_cast<size_t>(frames) * static_cast<size_t>(m_channels));
	for (size_t i = 0; i < m_samples.size(); ++i)
		m_samples[i] = int16_t(std::clamp<int32_t>(i < m_sum.size() ? m_sum[i] : 0, -32768, 32767));
	try
	{
		m_file->write(m_samples.data(), m_samples.size());
	}
	catch (lang::Throwable const& e)
	{
		m_file.reset();
		lang::Debug::printf("%s\n", e.getMessage().format().c_str());
	}
}

void ClockedSound::soundClockMoved(int64_t micros)
{
	// The file's share of this move, which the followers of its format fill.
	if (m_file)
		m_sum.assign(static_cast<size_t>(std::max<int64_t>(0, framesAt(micros, m_rate) - m_written)) * static_cast<size_t>(m_channels), 0);
	else
		m_sum.clear();
	for (Follower& f : m_followers)
		mix(f, micros);
	record(micros);
}

void ClockedSound::soundClockStopped()
{
	m_followers.clear();
	m_file.reset();
	m_fileTried = false;
	m_written = 0;
}

} // audio
