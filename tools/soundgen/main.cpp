// Writes the sample game's sounds into the folder given as the argument
// (the bundle's data_ipad/audio): short generated tones, no recordings.
#include "SoundGenerator.h"
#include <cstdio>
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

} // namespace

int main(int argc, char** argv)
{
	if (argc != 2)
	{
		std::fprintf(stderr, "usage: sound-gen <output folder>\n");
		return 2;
	}
	try
	{
		std::filesystem::path dir(argv[1]);
		std::filesystem::create_directories(dir);
		int const rate = 22050;
		write(dir / "wood_rolling.wav", soundgen::wav(rolling(110.0, rate), 1, 16, rate));
		write(dir / "rock_rolling.wav", soundgen::wav(rolling(70.0, rate), 1, 16, rate));
		write(dir / "light_rolling.wav", soundgen::wav(rolling(220.0, rate), 1, 16, rate));
		write(dir / "hit.wav", soundgen::wav(soundgen::sine(1, 16, rate, rate / 10, 440.0, 0.6), 1, 16, rate));
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
