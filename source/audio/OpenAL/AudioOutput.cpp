#include <audio/AudioOutput.h>
#include <audio/OpenAL/AudioOutputImpl.h>

namespace audio
{

AudioOutput::AudioOutput(AudioConfiguration const& config) : m_impl(new AudioOutputImpl(config)) {}

AudioOutput::~AudioOutput() {}

bool AudioOutput::startOutput() { return m_impl->startOutput(); }
void AudioOutput::stopOutput() { m_impl->stopOutput(); }
int AudioOutput::playClip(AudioClip* clip, float volume, bool loop, int track) { return m_impl->mixer().playClip(clip, volume, loop, track); }
void AudioOutput::stopClip(AudioClip* clip) { m_impl->mixer().stopClip(clip); }
bool AudioOutput::isClipPlaying(AudioClip* clip) { return m_impl->mixer().isClipPlaying(clip); }
bool AudioOutput::isClipPlaying(int id) { return m_impl->mixer().isClipPlaying(id); }
void AudioOutput::stopClips() { m_impl->mixer().stopClips(); }
void AudioOutput::setTrackVolume(float volume, int track) { m_impl->mixer().setTrackVolume(volume, track); }
void AudioOutput::setClipCountLimit(int track, int limit) { m_impl->mixer().setClipCountLimit(track, limit); }
void AudioOutput::setClipVolume(int id, float volume) { m_impl->mixer().setClipVolume(id, volume); }
float AudioOutput::getTrackVolume(int track) const { return m_impl->mixer().getTrackVolume(track); }
void AudioOutput::setMasterVolume(float volume) { m_impl->setMasterVolume(volume); }
float AudioOutput::getMasterVolume() const { return m_impl->getMasterVolume(); }
bool AudioOutput::isStarted() const { return m_impl->isStarted(); }

} // audio
