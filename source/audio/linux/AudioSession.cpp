#include "AudioSession.h"
#include <lang/Debug.h>
#include <lang/Throwable.h>
#include <algorithm>
#include <mutex>
#include <vector>

namespace audio
{

namespace
{

struct State
{
	std::recursive_mutex lock;
	bool initialized = false;
	bool active = false;
	std::string category;
	int started = 0;
	std::vector<AudioSessionListener*> outputs;
	std::vector<AudioSessionListener*> interrupted;
};

State& state()
{
	static State s;
	return s;
}

} // namespace

void AudioSession::initialize()
{
	std::lock_guard<std::recursive_mutex> lock(state().lock);
	state().initialized = true;
}

bool AudioSession::isInitialized()
{
	std::lock_guard<std::recursive_mutex> lock(state().lock);
	return state().initialized;
}

void AudioSession::setCategory(std::string const& category)
{
	std::lock_guard<std::recursive_mutex> lock(state().lock);
	state().category = category;
}

std::string AudioSession::category()
{
	std::lock_guard<std::recursive_mutex> lock(state().lock);
	return state().category;
}

void AudioSession::setActive(bool active)
{
	std::lock_guard<std::recursive_mutex> lock(state().lock);
	state().active = active;
}

bool AudioSession::isActive()
{
	std::lock_guard<std::recursive_mutex> lock(state().lock);
	return state().active;
}

void AudioSession::outputStarted()
{
	std::lock_guard<std::recursive_mutex> lock(state().lock);
	if (state().started++ == 0)
	{
		state().category = "ambi";
		state().active = true;
	}
}

void AudioSession::outputStopped()
{
	std::lock_guard<std::recursive_mutex> lock(state().lock);
	if (state().started > 0 && --state().started == 0)
		state().active = false;
}

int AudioSession::startedCount()
{
	std::lock_guard<std::recursive_mutex> lock(state().lock);
	return state().started;
}

void AudioSession::add(AudioSessionListener* listener)
{
	std::lock_guard<std::recursive_mutex> lock(state().lock);
	state().outputs.push_back(listener);
}

void AudioSession::remove(AudioSessionListener* listener)
{
	std::lock_guard<std::recursive_mutex> lock(state().lock);
	for (std::vector<AudioSessionListener*>* list : {&state().outputs, &state().interrupted})
		list->erase(std::remove(list->begin(), list->end(), listener), list->end());
}

void AudioSession::interrupt(int interruption)
{
	// Held while the outputs stop and start, so that none is removed (and
	// destroyed) meanwhile.
	std::lock_guard<std::recursive_mutex> lock(state().lock);
	State& s = state();
	if (interruption == 1)
	{
		for (AudioSessionListener* output : s.outputs)
			if (std::find(s.interrupted.begin(), s.interrupted.end(), output) == s.interrupted.end() && output->interruptionBegan())
				s.interrupted.push_back(output);
	}
	else if (interruption == 0)
	{
		std::vector<AudioSessionListener*> stopped;
		stopped.swap(s.interrupted);
		for (AudioSessionListener* output : stopped)
		{
			try
			{
				output->interruptionEnded();
			}
			catch (lang::Throwable const& e)
			{
				lang::Debug::printf("AudioSession: output failed to start after an interruption: %s\n", e.getMessage().pattern().c_str());
			}
		}
	}
}

} // audio
