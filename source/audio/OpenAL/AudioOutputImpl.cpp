#include "AudioOutputImpl.h"
#include "ClockedSound.h"
#include "SilentDrain.h"
#include <audio/linux/AudioSession.h>
#include <audio/SoundClock.h>
#include <lang/Debug.h>
#include <lang/Exception.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <mutex>
#include <optional>
#include <pthread.h>

#define AL_ALEXT_PROTOTYPES
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

namespace audio
{

namespace
{

// Makes an output's context the calling thread's own for a scope, so that
// several outputs (and their refill threads) never use each other's.
class ThreadContext
{
public:
	explicit ThreadContext(ALCcontext* context) : m_previous(alcGetThreadContext()) { alcSetThreadContext(context); }
	~ThreadContext() { alcSetThreadContext(m_previous); }

private:
	ALCcontext* m_previous;
};

void checkAL(char const* call)
{
	ALenum error = alGetError();
	if (error != AL_NO_ERROR)
		lang::throwError(lang::Exception(lang::Format("OpenAL call {0} failed with error 0x{1,x}", call, static_cast<int>(error))));
}

bool logAL(char const* call)
{
	ALenum error = alGetError();
	if (error == AL_NO_ERROR)
		return false;
	lang::Debug::printf("AudioOutput: OpenAL call %s failed with error 0x%x\n", call, static_cast<unsigned>(error));
	return true;
}

} // namespace

AudioOutputImpl::AudioOutputImpl(AudioConfiguration const& config) :
	m_config(config), m_mixer(new AudioMixer), m_device(nullptr), m_context(nullptr), m_silent(false),
	m_clocked(SoundClock::running()), m_buffers(), m_source(0), m_format(0),
	m_minGain(0.f), m_maxGain(1.f), m_masterVolume(-1.f), m_gainKnown(false), m_bufferSize(0), m_started(false), m_running(false)
{
	checkDeviceConfiguration(config, "AudioOutput");
	AudioSession::initialize();
	if (m_clocked)
	{
		AudioSession::add(this);
		return;
	}

	m_device = alcOpenDevice(nullptr);
	if (!m_device)
	{
		// No card, or none free: a server, a container, a busy device.
		m_device = SilentDrain::openDevice();
		if (!m_device)
			lang::throwError(lang::Exception(lang::Format("Failed to open audio device")));
		m_silent = true;
		static std::once_flag logged;
		std::call_once(logged, [] { lang::Debug::printf("no sound device: running silent\n"); });
	}
	std::vector<int> const silentFormat = SilentDrain::contextAttributes(config.sampleRate);
	m_context = alcCreateContext(m_device, m_silent ? silentFormat.data() : nullptr);
	if (!m_context)
	{
		alcCloseDevice(m_device);
		lang::throwError(lang::Exception(lang::Format("Failed to create audio context")));
	}

	if (config.channels == 1)
		m_format = config.bitsPerSample == 8 ? AL_FORMAT_MONO8 : AL_FORMAT_MONO16;
	else
		m_format = config.bitsPerSample == 8 ? AL_FORMAT_STEREO8 : AL_FORMAT_STEREO16;
	m_bufferSize = computeBufferSize(config);
	m_mixBuffer.resize(static_cast<size_t>(m_bufferSize));
	AudioSession::add(this);
}

AudioOutputImpl::~AudioOutputImpl()
{
	// Out of the session first, so that no interruption starts it again.
	AudioSession::remove(this);
	stopOutput();
	if (m_clocked)
		return;
	if (alcGetThreadContext() == m_context)
		alcSetThreadContext(nullptr);
	if (alcGetCurrentContext() == m_context)
		alcMakeContextCurrent(nullptr);
	alcDestroyContext(m_context);
	alcCloseDevice(m_device);
}

int AudioOutputImpl::computeBufferSize(AudioConfiguration const& config)
{
	int const frame = config.bitsPerSample / 8 * config.channels;
	int size = frame * config.sampleRate / 40;
	size = (size + frame - 1) / frame * frame;
	int pow2 = 1;
	while (pow2 < size)
		pow2 *= 2;
	return pow2;
}

int AudioOutputImpl::startedCount()
{
	return AudioSession::startedCount();
}

void AudioOutputImpl::mixInto(unsigned buffer)
{
	if (m_config.bitsPerSample == 16)
		m_mixer->mixUnlimited16(m_config, m_mixBuffer.data(), static_cast<unsigned>(m_bufferSize));
	else
		m_mixer->mixUnlimited8(m_config, m_mixBuffer.data(), static_cast<unsigned>(m_bufferSize));
	alBufferData(buffer, m_format, m_mixBuffer.data(), m_bufferSize, m_config.sampleRate);
}

bool AudioOutputImpl::startOutput()
{
	{
		std::lock_guard<std::mutex> lock(m_mutex);
		if (m_started.load())
			return true;
		if (m_clocked)
			startClocked();
		else
			startDevice();
		m_started.store(true);
	}
	// Outside the output's lock: an interruption holds the session's lock while it stops outputs.
	AudioSession::outputStarted();
	return true;
}

void AudioOutputImpl::startClocked()
{
	m_gainKnown = true;
	m_minGain = 0.f;
	m_maxGain = 1.f;
	if (m_masterVolume == -1.f)
		m_masterVolume = m_maxGain;
	m_mixer->start();
	ClockedSound::get().attach(this);
}

void AudioOutputImpl::startDevice()
{
	ThreadContext scope(m_context);
	alGetError();
	m_mixer->start();
	try
	{
		alcProcessContext(m_context);
		alGenBuffers(BUFFERS, m_buffers);
		checkAL("alGenBuffers");
		alGenSources(1, &m_source);
		checkAL("alGenSources");

		alGetSourcef(m_source, AL_MIN_GAIN, &m_minGain);
		alGetSourcef(m_source, AL_MAX_GAIN, &m_maxGain);
		checkAL("alGetSourcef");
		m_gainKnown = true;
		if (m_masterVolume == -1.f)
			m_masterVolume = m_maxGain;
		m_masterVolume = std::clamp(m_masterVolume, m_minGain, m_maxGain);

		alSource3f(m_source, AL_POSITION, 0.f, 0.f, 0.f);
		alSource3f(m_source, AL_VELOCITY, 0.f, 0.f, 0.f);
		alSource3f(m_source, AL_DIRECTION, 0.f, 0.f, 0.f);
		alSourcef(m_source, AL_ROLLOFF_FACTOR, 0.f);
		alSourcei(m_source, AL_SOURCE_RELATIVE, AL_TRUE);
		alSourcef(m_source, AL_GAIN, m_masterVolume);
		checkAL("alSource");

		for (unsigned buffer : m_buffers)
			mixInto(buffer);
		checkAL("alBufferData");
		alSourceQueueBuffers(m_source, BUFFERS, m_buffers);
		checkAL("alSourceQueueBuffers");
		alSourcePlay(m_source);
		checkAL("alSourcePlay");

		{
			std::lock_guard<std::mutex> wait(m_waitLock);
			m_running = true;
		}
		m_thread = new lang::Thread(lang::Functor(new lang::Func1<void, void (AudioOutputImpl::*)(), AudioOutputImpl*>(this, &AudioOutputImpl::run)), true);
	}
	catch (...)
	{
		{
			std::lock_guard<std::mutex> wait(m_waitLock);
			m_running = false;
		}
		m_wake.notify_all();
		m_thread = nullptr;
		releaseSource();
		m_mixer->stop();
		throw;
	}
	// Raising the priority needs privileges that a normal process lacks; a refusal is ignored.
	m_thread->setPriority(m_thread->priority() + 5);
}

void AudioOutputImpl::stopOutput()
{
	{
		std::lock_guard<std::mutex> lock(m_mutex);
		if (!m_started.load())
			return;
		if (m_clocked)
		{
			ClockedSound::get().detach(this);
			m_mixer->stop();
			m_started.store(false);
		}
		else
			stopDevice();
	}
	AudioSession::outputStopped();
}

void AudioOutputImpl::stopDevice()
{
	{
		std::lock_guard<std::mutex> wait(m_waitLock);
		m_running = false;
	}
	m_wake.notify_all();
	m_thread = nullptr;

	ThreadContext scope(m_context);
	releaseSource();
	m_mixer->stop();
	m_started.store(false);
	alcSuspendContext(m_context);
}

void AudioOutputImpl::releaseSource()
{
	if (m_source)
	{
		alSourceStop(m_source);
		// The stop is synchronous in practice; the wait is bounded all the same.
		ALint state = AL_PLAYING;
		for (int i = 0; i < 100; ++i)
		{
			alGetSourcei(m_source, AL_SOURCE_STATE, &state);
			if (state != AL_PLAYING)
				break;
			lang::Thread::sleep(1);
		}
		alSourcei(m_source, AL_BUFFER, 0);
		alDeleteSources(1, &m_source);
		m_source = 0;
	}
	if (m_buffers[0])
	{
		alDeleteBuffers(BUFFERS, m_buffers);
		std::fill(std::begin(m_buffers), std::end(m_buffers), 0u);
	}
	logAL("releasing the source");
}

void AudioOutputImpl::setMasterVolume(float volume)
{
	std::lock_guard<std::mutex> lock(m_mutex);
	if (std::isnan(volume))
		volume = 0.f;
	volume = m_gainKnown ? std::clamp(volume, m_minGain, m_maxGain) : std::clamp(volume, 0.f, 1.f);
	if (m_started.load() && !m_clocked)
	{
		ThreadContext scope(m_context);
		alGetError();
		alSourcef(m_source, AL_GAIN, volume);
		checkAL("alSourcef(AL_GAIN)");
	}
	m_masterVolume = volume;
}

float AudioOutputImpl::getMasterVolume() const
{
	std::lock_guard<std::mutex> lock(m_mutex);
	return m_masterVolume;
}

bool AudioOutputImpl::interruptionBegan()
{
	if (!m_started.load())
		return false;
	stopOutput();
	return true;
}

void AudioOutputImpl::interruptionEnded()
{
	startOutput();
}

void AudioOutputImpl::run()
{
	pthread_setname_np(pthread_self(), "audio-refill");
	alcSetThreadContext(m_context);
	int const frame = m_config.bitsPerSample / 8 * m_config.channels;
	auto const halfBuffer = std::chrono::microseconds(500000LL * (m_bufferSize / frame) / m_config.sampleRate);
	std::optional<SilentDrain> drain;
	if (m_silent)
		drain.emplace(m_device, m_config.sampleRate);

	std::unique_lock<std::mutex> lock(m_waitLock);
	while (m_running)
	{
		lock.unlock();
		bool refilled = false;
		try
		{
			if (drain)
				drain->renderDue();
			refilled = refill();
		}
		catch (lang::Throwable const& e)
		{
			lang::Debug::printf("AudioOutput: refill failed: %s\n", e.getMessage().pattern().c_str());
		}
		lock.lock();
		// Fewer than two buffers played: wait half a buffer's playing time,
		// or until stopOutput wakes the thread.
		if (!refilled)
			m_wake.wait_for(lock, halfBuffer, [this] { return !m_running; });
	}
	lock.unlock();
	alcSetThreadContext(nullptr);
}

bool AudioOutputImpl::refill()
{
	ALint processed = 0;
	alGetSourcei(m_source, AL_BUFFERS_PROCESSED, &processed);
	if (logAL("alGetSourcei(AL_BUFFERS_PROCESSED)") || processed < 2)
		return false;
	processed = std::min<ALint>(processed, BUFFERS);
	ALuint names[BUFFERS];
	alSourceUnqueueBuffers(m_source, processed, names);
	if (logAL("alSourceUnqueueBuffers"))
		return false;
	for (ALint i = 0; i < processed; ++i)
		mixInto(names[i]);
	logAL("alBufferData");
	alSourceQueueBuffers(m_source, processed, names);
	logAL("alSourceQueueBuffers");

	// A source that ran dry has stopped: play it again.
	ALint state = AL_PLAYING;
	alGetSourcei(m_source, AL_SOURCE_STATE, &state);
	if (state == AL_STOPPED)
		alSourcePlay(m_source);
	logAL("alSourcePlay");
	return true;
}

} // audio
