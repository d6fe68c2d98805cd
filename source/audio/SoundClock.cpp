#include "SoundClock.h"
#include <algorithm>
#include <vector>

namespace audio
{

namespace
{

bool s_running = false;
int64_t s_now = 0;
std::string s_waveFile;
std::vector<SoundClock::Listener*> s_listeners;

} // namespace

void SoundClock::start(std::string const& waveFile)
{
	stop();
	s_running = true;
	s_now = 0;
	s_waveFile = waveFile;
}

void SoundClock::stop()
{
	if (!s_running)
		return;
	s_running = false;
	std::vector<Listener*> const told = std::move(s_listeners);
	s_listeners.clear();
	for (Listener* listener : told)
		listener->soundClockStopped();
	s_now = 0;
	s_waveFile.clear();
}

bool SoundClock::running()
{
	return s_running;
}

int64_t SoundClock::now()
{
	return s_now;
}

std::string SoundClock::waveFile()
{
	return s_waveFile;
}

void SoundClock::advance(int64_t micros)
{
	if (!s_running || micros <= 0)
		return;
	s_now += micros;
	// A listener may remove itself (or another) while told: tell a copy,
	// skipping the ones gone.
	std::vector<Listener*> const told = s_listeners;
	for (Listener* listener : told)
	{
		if (std::find(s_listeners.begin(), s_listeners.end(), listener) != s_listeners.end())
			listener->soundClockMoved(s_now);
	}
}

void SoundClock::add(Listener* listener)
{
	if (s_running && std::find(s_listeners.begin(), s_listeners.end(), listener) == s_listeners.end())
		s_listeners.push_back(listener);
}

void SoundClock::remove(Listener* listener)
{
	s_listeners.erase(std::remove(s_listeners.begin(), s_listeners.end(), listener), s_listeners.end());
}

} // audio
