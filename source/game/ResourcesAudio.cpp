// The audio half of the resource manager: the output and input devices and
// the clips stored by name.

#include "Resources.h"
#include <audio/AudioReader.h>
#include <audio/CompositeAudioClip.h>
#include <io/FileFormat.h>
#include <io/std/BundleInputStream.h>
#include <lang/Exception.h>
#include <lang/Format.h>
#include <climits>
#include <vector>

namespace game
{

namespace
{

[[noreturn]] void fail(char const* message)
{
	lang::throwError(lang::Exception(lang::Format(message)));
}

/** The whole PCM data of the reader, holding only the bytes read. */
std::vector<char> decodeAll(audio::AudioReader& reader)
{
	std::vector<char> data;
	if (reader.dataSize() >= 0)
	{
		// The reader bounds a known size by the bytes its file holds.
		data.resize(static_cast<size_t>(reader.dataSize()));
		int const n = data.empty() ? 0 : reader.readData(data.data(), 0, reader.dataSize());
		data.resize(static_cast<size_t>(n > 0 ? n : 0));
		return data;
	}
	int const BLOCK = 4096;
	size_t size = 0;
	for (;;)
	{
		if (size > static_cast<size_t>(INT_MAX - BLOCK))
			fail("Audio clip too large to decode into memory");
		if (data.size() < size + BLOCK)
			data.resize(std::max(2 * data.size(), size + BLOCK));
		int const n = reader.readData(data.data() + size, static_cast<int>(size), BLOCK);
		size += static_cast<size_t>(n > 0 ? n : 0);
		if (n < BLOCK)
			break;
	}
	data.resize(size);
	data.shrink_to_fit();
	return data;
}

} // namespace

audio::AudioOutput* Resources::createAudioOutput(audio::AudioConfiguration const& config)
{
	audio::checkDeviceConfiguration(config, "AudioOutput");
	m_audioOutput = nullptr;
	m_audioOutput = new audio::AudioOutput(config);
	return m_audioOutput;
}

audio::AudioInput* Resources::createAudioInput(audio::AudioConfiguration const& config)
{
	audio::checkDeviceConfiguration(config, "AudioInput");
	m_audioInput = nullptr;
	m_audioInput = new audio::AudioInput(config);
	return m_audioInput;
}

audio::AudioClip* Resources::storeClip(std::string const& name, lang::Ptr<audio::AudioClip> const& clip)
{
	auto const it = m_audioClips.find(name);
	if (it != m_audioClips.end())
	{
		// The mixer must not reach the old clip once the map lets it go.
		m_audioOutput->stopClip(it->second);
		it->second = clip;
	}
	else
	{
		m_audioClips.emplace(name, clip);
	}
	return clip;
}

audio::AudioClip* Resources::createAudio(std::string const& file, std::string const& name, bool streamed)
{
	if (!m_audioOutput)
		fail("Trying to create audio but no audio output has been created");
	lang::Ptr<io::InputStream> in = new io::BundleInputStream(filePath(file));
	io::FileFormat const format = io::guessFileFormat(file);
	lang::Ptr<audio::AudioClip> clip;
	if (streamed)
	{
		clip = new audio::AudioClip(m_audioOutput, in, format);
	}
	else
	{
		lang::Ptr<audio::AudioReader> reader = new audio::AudioReader(in, format);
		std::vector<char> const data = decodeAll(*reader);
		audio::AudioConfiguration const config{reader->channels(), reader->bitsPerSample(), reader->sampleRate()};
		clip = new audio::AudioClip(m_audioOutput, data.data(), static_cast<int>(data.size()), config);
	}
	return storeClip(name, clip);
}

audio::AudioClip* Resources::createCompositeAudio(std::string const& name, std::vector<lang::Ptr<audio::AudioClip>> const& clips)
{
	if (!m_audioOutput)
		fail("Trying to create audio but no audio output has been created");
	lang::Ptr<audio::AudioClip> clip = new audio::CompositeAudioClip(m_audioOutput, clips);
	return storeClip(name, clip);
}

audio::AudioClip* Resources::getAudioClip(std::string const& name) const
{
	auto const it = m_audioClips.find(name);
	return it == m_audioClips.end() ? nullptr : it->second.ptr();
}

int Resources::playAudio(std::string const& name, float volume, bool loop, int track) const
{
	if (!m_audioOutput)
		fail("Trying to play audio clip but no audio output has been created");
	audio::AudioClip* clip = getAudioClip(name);
	return clip ? m_audioOutput->playClip(clip, volume, loop, track) : -1;
}

void Resources::stopAudio(std::string const& name) const
{
	if (!m_audioOutput)
		fail("Trying to stop audio clip but no audio output has been created");
	if (audio::AudioClip* clip = getAudioClip(name))
		m_audioOutput->stopClip(clip);
}

void Resources::stopAllAudio() const
{
	if (!m_audioOutput)
		fail("Trying to stop all audio clips but no audio output has been created");
	m_audioOutput->stopClips();
}

bool Resources::isAudioPlaying(std::string const& name) const
{
	audio::AudioClip* clip = getAudioClip(name);
	return m_audioOutput && clip && m_audioOutput->isClipPlaying(clip);
}

bool Resources::isAudioPlaying(int id) const
{
	return m_audioOutput && m_audioOutput->isClipPlaying(id);
}

float Resources::getMasterVolume() const
{
	return m_audioOutput ? m_audioOutput->getMasterVolume() : 0.f;
}

void Resources::setMasterVolume(float volume)
{
	if (m_audioOutput)
		m_audioOutput->setMasterVolume(volume);
}

bool Resources::startAudioOutput()
{
	if (!m_audioOutput)
		fail("Trying to start audio output but no audio output has been created");
	return m_audioOutput->startOutput();
}

void Resources::stopAudioOutput()
{
	if (m_audioOutput)
		m_audioOutput->stopOutput();
}

bool Resources::startAudioInput()
{
	if (!m_audioInput)
		fail("Trying to start audio input but no audio input has been created");
	return m_audioInput->startInput();
}

void Resources::stopAudioInput()
{
	if (m_audioInput)
		m_audioInput->stopInput();
}

} // game
