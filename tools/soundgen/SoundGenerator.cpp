#include "SoundGenerator.h"
#include <cmath>
#include <cstdint>
#include <cstring>
#include <lame.h>
#include <stdexcept>

namespace soundgen
{

void putLE(Bytes& out, unsigned value, int bytes)
{
	for (int i = 0; i < bytes; ++i)
		out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

namespace
{

void putSample(Bytes& out, int bits, int value)
{
	if (bits == 16)
		putLE(out, static_cast<uint16_t>(static_cast<int16_t>(value)), 2);
	else
		out.push_back(static_cast<unsigned char>(value));
}

} // namespace

Bytes sine(int channels, int bits, int rate, int frames, double hz, double amplitude)
{
	Bytes out;
	double const full = bits == 16 ? 32767.0 : 127.0;
	for (int f = 0; f < frames; ++f)
	{
		int v = static_cast<int>(std::lround(std::sin(2.0 * M_PI * hz * f / rate) * amplitude * full));
		for (int c = 0; c < channels; ++c)
			putSample(out, bits, bits == 16 ? v : v + 128);
	}
	return out;
}

Bytes ramp(int channels, int bits, int frames, int start, int step)
{
	Bytes out;
	for (int k = 0; k < frames * channels; ++k)
		putSample(out, bits, start + k * step);
	return out;
}

Bytes chunk(std::string const& id, Bytes const& body)
{
	Bytes out(id.begin(), id.end());
	out.resize(4, ' ');
	putLE(out, static_cast<unsigned>(body.size()), 4);
	out.insert(out.end(), body.begin(), body.end());
	if (body.size() & 1)
		out.push_back(0);
	return out;
}

Bytes fmtBody(int format, int channels, int rate, int bits, int extra)
{
	Bytes out;
	putLE(out, static_cast<unsigned>(format), 2);
	putLE(out, static_cast<unsigned>(channels), 2);
	putLE(out, static_cast<unsigned>(rate), 4);
	putLE(out, static_cast<unsigned>(rate * channels * bits / 8), 4);
	putLE(out, static_cast<unsigned>(channels * bits / 8), 2);
	putLE(out, static_cast<unsigned>(bits), 2);
	out.resize(out.size() + static_cast<size_t>(extra), 0);
	return out;
}

Bytes riff(std::vector<Bytes> const& chunks)
{
	Bytes body = {'W', 'A', 'V', 'E'};
	for (Bytes const& c : chunks)
		body.insert(body.end(), c.begin(), c.end());
	Bytes out = {'R', 'I', 'F', 'F'};
	putLE(out, static_cast<unsigned>(body.size()), 4);
	out.insert(out.end(), body.begin(), body.end());
	return out;
}

Bytes wav(Bytes const& pcm, int channels, int bits, int rate)
{
	return riff({chunk("fmt ", fmtBody(1, channels, rate, bits)), chunk("data", pcm)});
}

Bytes mp3(Bytes const& pcm16, int channels, int rate, int kbps)
{
	int const frames = static_cast<int>(pcm16.size() / 2 / static_cast<size_t>(channels));
	std::vector<short> samples(static_cast<size_t>(frames) * static_cast<size_t>(channels));
	memcpy(samples.data(), pcm16.data(), samples.size() * 2);

	lame_global_flags* gf = lame_init();
	if (!gf)
		throw std::runtime_error("lame_init failed");
	lame_set_in_samplerate(gf, rate);
	lame_set_out_samplerate(gf, rate);
	lame_set_num_channels(gf, channels);
	lame_set_mode(gf, channels == 1 ? MONO : JOINT_STEREO);
	lame_set_brate(gf, kbps);
	lame_set_quality(gf, 5);
	lame_set_bWriteVbrTag(gf, 0);
	if (lame_init_params(gf) < 0)
	{
		lame_close(gf);
		throw std::runtime_error("lame_init_params failed");
	}
	Bytes out(static_cast<size_t>(frames) * 5 / 4 + 7200 + 16384);
	int const size = static_cast<int>(out.size());
	int n = channels == 2
		? lame_encode_buffer_interleaved(gf, samples.data(), frames, out.data(), size)
		: lame_encode_buffer(gf, samples.data(), samples.data(), frames, out.data(), size);
	if (n >= 0)
	{
		int m = lame_encode_flush(gf, out.data() + n, size - n);
		n = m < 0 ? m : n + m;
	}
	lame_close(gf);
	if (n < 0)
		throw std::runtime_error("MP3 encoding failed");
	out.resize(static_cast<size_t>(n));
	return out;
}

} // soundgen
