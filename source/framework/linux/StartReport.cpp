#include "StartReport.h"
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace framework
{

namespace
{

using Clock = std::chrono::steady_clock;

struct State
{
	bool on = false;
	bool launched = false;
	bool reported = false;
	double beforeMainMs = 0;
	double glMs = 0;
	Clock::time_point start;
	Clock::time_point glStart;
	Clock::time_point launchEnd;
};

State s_state;

double msBetween(Clock::time_point a, Clock::time_point b)
{
	return std::chrono::duration<double, std::milli>(b - a).count();
}

} // namespace

void StartReport::shellStarts()
{
	char const* value = std::getenv("ENGINE_START_REPORT");
	s_state = State();
	s_state.on = value && *value;
	if (!s_state.on)
		return;
	timespec cpu = {};
	clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
	s_state.beforeMainMs = double(cpu.tv_sec) * 1e3 + double(cpu.tv_nsec) / 1e6;
	s_state.start = Clock::now();
}

void StartReport::glBegins()
{
	if (s_state.on)
		s_state.glStart = Clock::now();
}

void StartReport::glMade()
{
	if (s_state.on && !s_state.reported)
		s_state.glMs += msBetween(s_state.glStart, Clock::now());
}

void StartReport::launchEnds()
{
	if (!s_state.on || s_state.launched)
		return;
	s_state.launched = true;
	s_state.launchEnd = Clock::now();
}

void StartReport::framePresented()
{
	if (!s_state.on || !s_state.launched || s_state.reported)
		return;
	s_state.reported = true;
	double const setup = msBetween(s_state.start, s_state.launchEnd) - s_state.glMs;
	double const frame = msBetween(s_state.launchEnd, Clock::now());
	std::fprintf(stderr, "start: before-main %.1f, gl-context %.1f, app-setup %.1f, first-frame %.1f, total %.1f\n",
		s_state.beforeMainMs, s_state.glMs, setup, frame, s_state.beforeMainMs + s_state.glMs + setup + frame);
}

} // framework
