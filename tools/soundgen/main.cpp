// Writes the sample game's generated sounds into the folder given as the
// argument (the bundle's data_ipad/audio): short tones and noises, no
// recordings. The ready-made sounds (data/game/audio) are copied there by
// the build as they are. Every clip is made at the rate the game opens its output with
// (the mixer does not convert rates), so that each plays at its own pitch.
#include "SoundGenerator.h"
#include <toolargs/ToolArguments.h>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace
{

void write(std::filesystem::path const& file, soundgen::Bytes const& data)
{
	std::ofstream out(file, std::ios::binary);
	out.write(reinterpret_cast<char const*>(data.data()), static_cast<std::streamsize>(data.size()));
	if (!out)
		throw std::runtime_error("cannot write " + file.string());
}

// A tone with a slow tremolo, so that a loop of it sounds like rolling.
soundgen::Bytes rolling(double hz, int rate)
{
	int const frames = rate / 2;
	soundgen::Bytes pcm = soundgen::sine(1, 16, rate, frames, hz, 0.4);
	soundgen::Bytes wobble = soundgen::sine(1, 16, rate, frames, 8.0, 1.0);
	for (int f = 0; f < frames; ++f)
	{
		int16_t s = static_cast<int16_t>(pcm[2 * f] | (pcm[2 * f + 1] << 8));
		int16_t w = static_cast<int16_t>(wobble[2 * f] | (wobble[2 * f + 1] << 8));
		int v = s * (3 * 32767 + w) / (4 * 32767);
		pcm[2 * f] = static_cast<unsigned char>(v & 0xFF);
		pcm[2 * f + 1] = static_cast<unsigned char>((v >> 8) & 0xFF);
	}
	return pcm;
}

/** Writes sample v (-1 to 1, clipped) as 16-bit little-endian at frame f of mono pcm. */
void put16(soundgen::Bytes& pcm, int f, double v)
{
	int const s = static_cast<int>(std::lround(std::fmax(-1.0, std::fmin(1.0, v)) * 32767.0));
	pcm[2 * f] = static_cast<unsigned char>(s & 0xFF);
	pcm[2 * f + 1] = static_cast<unsigned char>((s >> 8) & 0xFF);
}

// A tone gliding from hz0 to hz1 over seconds, fading in fast and out slowly
// (the target's fading call; the launch's whoosh ships ready-made).
soundgen::Bytes glide(double hz0, double hz1, double seconds, double amplitude, int rate)
{
	int const frames = static_cast<int>(seconds * rate);
	soundgen::Bytes pcm(2 * static_cast<size_t>(frames));
	double phase = 0;
	for (int f = 0; f < frames; ++f)
	{
		double const t = static_cast<double>(f) / frames;
		phase += 2 * M_PI * (hz0 + (hz1 - hz0) * t) / rate;
		double const envelope = std::fmin(1.0, t * 20) * (1 - t);
		put16(pcm, f, amplitude * envelope * std::sin(phase));
	}
	return pcm;
}

// A burst of noise decaying over seconds, smoothed by a one-pole filter of
// smoothing (0 bright to nearly 1 dull): a block cracking.
soundgen::Bytes crack(double seconds, double smoothing, double amplitude, int rate)
{
	int const frames = static_cast<int>(seconds * rate);
	soundgen::Bytes pcm(2 * static_cast<size_t>(frames));
	uint32_t seed = 12345;
	double low = 0;
	for (int f = 0; f < frames; ++f)
	{
		seed = seed * 1664525u + 1013904223u;
		double const noise = static_cast<double>(seed >> 8) / (1 << 23) - 1.0;
		low = smoothing * low + (1 - smoothing) * noise;
		double const t = static_cast<double>(f) / frames;
		put16(pcm, f, amplitude * std::pow(1 - t, 3) * low / (1 - smoothing * 0.9));
	}
	return pcm;
}

// Notes of seconds each, one after the other (the fanfare of a won level).
soundgen::Bytes tune(std::initializer_list<double> notes, double seconds, int rate)
{
	soundgen::Bytes all;
	for (double hz : notes)
	{
		soundgen::Bytes note = glide(hz, hz, seconds, 0.4, rate);
		all.insert(all.end(), note.begin(), note.end());
	}
	return all;
}

} // namespace

int main(int argc, char** argv)
{
	int const status = toolargs::checkArguments(argc, argv, 1, 1,
		"usage: sound-gen <output-folder>\n"
		"  Writes the sample game's generated sounds (wave files and the music\n"
		"  as MP3) into output-folder, made when missing.\n");
	if (status >= 0)
		return status;
	try
	{
		std::filesystem::path dir(argv[1]);
		std::filesystem::create_directories(dir);
		int const rate = 44100;
		write(dir / "wood_rolling.wav", soundgen::wav(rolling(110.0, rate), 1, 16, rate));
		write(dir / "rock_rolling.wav", soundgen::wav(rolling(70.0, rate), 1, 16, rate));
		write(dir / "light_rolling.wav", soundgen::wav(rolling(220.0, rate), 1, 16, rate));
		write(dir / "hit.wav", soundgen::wav(soundgen::sine(1, 16, rate, rate / 10, 440.0, 0.6), 1, 16, rate));
		write(dir / "crack.wav", soundgen::wav(crack(0.25, 0.6, 0.7, rate), 1, 16, rate));
		write(dir / "thud.wav", soundgen::wav(crack(0.12, 0.93, 0.8, rate), 1, 16, rate));
		write(dir / "dispel.wav", soundgen::wav(glide(660.0, 220.0, 0.5, 0.5, rate), 1, 16, rate));
		write(dir / "won.wav", soundgen::wav(tune({392.0, 494.0, 587.0, 784.0}, 0.15, rate), 1, 16, rate));
		write(dir / "lost.wav", soundgen::wav(tune({392.0, 330.0, 262.0}, 0.2, rate), 1, 16, rate));
		soundgen::Bytes music;
		for (double hz : {262.0, 330.0, 392.0, 523.0})
		{
			soundgen::Bytes note = soundgen::sine(2, 16, rate, rate / 4, hz, 0.3);
			music.insert(music.end(), note.begin(), note.end());
		}
		write(dir / "music.mp3", soundgen::mp3(music, 2, rate, 64));
	}
	catch (std::exception const& e)
	{
		std::fprintf(stderr, "sound-gen: %s\n", e.what());
		return 1;
	}
	return 0;
}
