#include "AudioMixer.h"
#include <lang/Debug.h>
#include <lang/Exception.h>
#include <algorithm>
#include <climits>
#include <cstring>
#include <exception>
#include <mutex>
#include <string>

namespace audio
{

namespace
{

// One clip sample as a sample of the output's width, before the gain.
template <int OutBits>
inline int convert(int16_t s)
{
	return OutBits == 16 ? s : s >> 8;
}

template <int OutBits>
inline int convert(unsigned char s)
{
	return OutBits == 16 ? (s - 128) * 256 : s - 128;
}

// Adds frames of clip PCM, scaled by gain, to the accumulator. A mono clip
// feeds both channels of a stereo output; a stereo clip on a mono output
// is mixed down. The loops are kept flat so that the compiler vectorises them.
template <int OutBits, class Sample, int ClipChannels, int OutChannels>
void accumulate(int32_t* __restrict acc, Sample const* __restrict src, int frames, int gain)
{
	int const shift = OutBits == 16 ? 12 : 8;
	if constexpr (ClipChannels == OutChannels && OutBits == 16 && sizeof(Sample) == 2)
	{
		// The gain (at most 4096) fits 16 bits: a 16 x 16-bit multiply widens
		// to 32 bits in one vector instruction.
		int16_t const g = static_cast<int16_t>(gain);
		int const n = frames * OutChannels;
		for (int i = 0; i < n; ++i)
			acc[i] += (src[i] * g) >> 12;
	}
	else if constexpr (ClipChannels == OutChannels)
	{
		int const n = frames * OutChannels;
		for (int i = 0; i < n; ++i)
			acc[i] += (convert<OutBits>(src[i]) * gain) >> shift;
	}
	else if constexpr (ClipChannels == 1)
	{
		for (int f = 0; f < frames; ++f)
		{
			int v = (convert<OutBits>(src[f]) * gain) >> shift;
			acc[2 * f] += v;
			acc[2 * f + 1] += v;
		}
	}
	else
	{
		for (int f = 0; f < frames; ++f)
			acc[f] += (((convert<OutBits>(src[2 * f]) + convert<OutBits>(src[2 * f + 1])) >> 1) * gain) >> shift;
	}
}

template <int OutBits, class Sample>
void accumulate(int outChannels, int clipChannels, int32_t* acc, Sample const* src, int frames, int gain)
{
	if (outChannels == 2)
	{
		if (clipChannels == 2)
			accumulate<OutBits, Sample, 2, 2>(acc, src, frames, gain);
		else
			accumulate<OutBits, Sample, 1, 2>(acc, src, frames, gain);
	}
	else
	{
		if (clipChannels == 2)
			accumulate<OutBits, Sample, 2, 1>(acc, src, frames, gain);
		else
			accumulate<OutBits, Sample, 1, 1>(acc, src, frames, gain);
	}
}

void logMixError(char const* text)
{
	lang::Debug::printf("AudioMixer: clip stopped after an error while mixing: %s\n", text);
}

void logMixError(lang::Throwable const& e)
{
	std::string text;
	try
	{
		text = e.getMessage().format();
	}
	catch (...)
	{
		text = e.getMessage().pattern();
	}
	logMixError(text.c_str());
}

} // namespace

AudioMixer::AudioMixer() : m_nextId(0), m_started(false)
{
	for (int i = 0; i < TRACKS; ++i)
	{
		m_trackVolume[i].store(1.f);
		m_clipCountLimit[i] = -1;
	}
}

AudioMixer::~AudioMixer() {}

void AudioMixer::start()
{
	m_started.store(true);
}

void AudioMixer::stop()
{
	m_started.store(false);
}

void AudioMixer::checkTrack(int track) const
{
	if (track < 0 || track >= TRACKS)
		lang::throwError(lang::Exception(lang::Format("Track {0} out of bounds! Range [0-{1}]", track, TRACKS - 1)));
}

int AudioMixer::countPlaying(int track) const
{
	int n = 0;
	for (AudioClipInstance const& i : m_playing)
		n += i.track() == track && !i.ended();
	for (AudioClipInstance const& i : m_queue)
		n += i.track() == track && !i.ended();
	return n;
}

int AudioMixer::playClip(AudioClip* clip, float volume, bool loop, int track)
{
	checkTrack(track);
	if (!m_started.load() || !clip)
		return -1;
	std::lock_guard<lang::Mutex> lock(m_mutex);
	if (static_cast<unsigned>(countPlaying(track)) >= static_cast<unsigned>(m_clipCountLimit[track]))
		return -1;
	int const id = m_nextId;
	m_nextId = id == INT_MAX ? 0 : id + 1;
	m_queue.emplace_back(clip, volume, id, track, loop);
	return id;
}

int AudioMixer::getPlayingClipCount(int track)
{
	checkTrack(track);
	std::lock_guard<lang::Mutex> lock(m_mutex);
	return countPlaying(track);
}

bool AudioMixer::isClipPlaying(AudioClip* clip)
{
	std::lock_guard<lang::Mutex> lock(m_mutex);
	for (std::vector<AudioClipInstance> const* list : {&m_playing, &m_queue})
		for (AudioClipInstance const& i : *list)
			if (i.clip() == clip && !i.ended())
				return true;
	return false;
}

bool AudioMixer::isClipPlaying(int id)
{
	std::lock_guard<lang::Mutex> lock(m_mutex);
	for (std::vector<AudioClipInstance> const* list : {&m_playing, &m_queue})
		for (AudioClipInstance const& i : *list)
			if (i.id() == id && !i.ended())
				return true;
	return false;
}

void AudioMixer::stopClip(AudioClip* clip)
{
	std::lock_guard<lang::Mutex> lock(m_mutex);
	for (std::vector<AudioClipInstance>* list : {&m_playing, &m_queue})
		for (AudioClipInstance& i : *list)
			if (i.clip() == clip)
				i.end();
}

void AudioMixer::setClipVolume(int id, float volume)
{
	std::lock_guard<lang::Mutex> lock(m_mutex);
	for (std::vector<AudioClipInstance>* list : {&m_playing, &m_queue})
		for (AudioClipInstance& i : *list)
			if (i.id() == id)
				i.setVolume(volume);
}

void AudioMixer::stopClips()
{
	std::lock_guard<lang::Mutex> lock(m_mutex);
	for (std::vector<AudioClipInstance>* list : {&m_playing, &m_queue})
		for (AudioClipInstance& i : *list)
			i.end();
}

void AudioMixer::setTrackVolume(float volume, int track)
{
	checkTrack(track);
	m_trackVolume[track].store(AudioClipInstance::clampVolume(volume));
}

float AudioMixer::getTrackVolume(int track) const
{
	checkTrack(track);
	return m_trackVolume[track].load();
}

void AudioMixer::setClipCountLimit(int track, int limit)
{
	checkTrack(track);
	std::lock_guard<lang::Mutex> lock(m_mutex);
	m_clipCountLimit[track] = limit;
}

void AudioMixer::flushQueueAndRemoveEndedClips()
{
	std::lock_guard<lang::Mutex> lock(m_mutex);
	m_playing.insert(m_playing.end(), m_queue.begin(), m_queue.end());
	m_playing.erase(std::remove_if(m_playing.begin(), m_playing.end(), [](AudioClipInstance const& i) { return i.ended(); }),
		m_playing.end());
	m_queue.clear();
}

void AudioMixer::mixUnlimited16(AudioConfiguration const& config, void* out, unsigned int bytes)
{
	mix<16>(config, out, bytes);
}

void AudioMixer::mixUnlimited8(AudioConfiguration const& config, void* out, unsigned int bytes)
{
	mix<8>(config, out, bytes);
}

template <int OutBits>
void AudioMixer::mix(AudioConfiguration const& config, void* out, unsigned int bytes)
{
	int const outChannels = config.channels == 1 ? 1 : 2;
	size_t const samples = bytes / (OutBits / 8);
	int const frames = static_cast<int>(std::min<size_t>(samples / outChannels, INT_MAX / 4));

	// A clip frame is at most 4 bytes (16-bit stereo): two samples.
	if (m_scratch.size() < static_cast<size_t>(frames) * 2)
		m_scratch.resize(static_cast<size_t>(frames) * 2);
	if (m_output.size() < samples)
		m_output.resize(samples);
	if (m_accumulator.size() < samples)
		m_accumulator.resize(samples);
	int32_t* acc = m_accumulator.data();
	std::fill(acc, acc + samples, 0);

	flushQueueAndRemoveEndedClips();

	double const unity = OutBits == 16 ? 4096.0 : 256.0;
	for (AudioClipInstance& instance : m_playing)
	{
		if (instance.ended())
			continue;
		AudioClip* clip = instance.clip();
		int got = 0;
		int clipChannels = 0;
		int clipBits = 0;
		try
		{
			clipChannels = clip->channels();
			clipBits = clip->bitsPerSample();
			if ((clipChannels != 1 && clipChannels != 2) || (clipBits != 8 && clipBits != 16))
			{
				logMixError("unsupported sample layout");
				instance.end();
				continue;
			}
			// The data is fetched even when the gain is 0, so that a silent
			// instance still advances and can end.
			got = instance.fetchData(m_scratch.data(), frames * clipChannels * clipBits / 8);
		}
		catch (lang::Throwable const& e)
		{
			logMixError(e);
			instance.end();
			continue;
		}
		catch (std::exception const& e)
		{
			logMixError(e.what());
			instance.end();
			continue;
		}
		int const gain = static_cast<int>(instance.volume() * m_trackVolume[instance.track()].load(std::memory_order_relaxed) * unity);
		int const gotFrames = got / (clipChannels * clipBits / 8);
		if (gain < 1 || gotFrames <= 0)
			continue;
		if (clipBits == 16)
			accumulate<OutBits>(outChannels, clipChannels, acc, m_scratch.data(), gotFrames, gain);
		else
			accumulate<OutBits>(outChannels, clipChannels, acc, reinterpret_cast<unsigned char const*>(m_scratch.data()), gotFrames, gain);
	}

	if constexpr (OutBits == 16)
	{
		int16_t* dst = m_output.data();
		for (size_t i = 0; i < samples; ++i)
			dst[i] = static_cast<int16_t>(std::min(std::max(acc[i], -32768), 32767));
		memcpy(out, dst, samples * 2);
	}
	else
	{
		unsigned char* dst = static_cast<unsigned char*>(out);
		for (size_t i = 0; i < samples; ++i)
			dst[i] = static_cast<unsigned char>(std::min(std::max(acc[i] + 128, 0), 255));
	}
	if (bytes % (OutBits / 8))
		static_cast<unsigned char*>(out)[bytes - 1] = 0;
}

} // audio
