#include "AudioWaveEnvironment.h"
#include <cstdlib>
#include <cstring>

void AudioWaveEnvironment::SetUp()
{
	std::string const conf = "[general]\n"
							 "drivers = wave\n"
							 "frequency = " + std::to_string(m_rate) + "\n"
							 "channels = stereo\n"
							 "sample-type = int16\n"
							 "dither = false\n"
							 "output-limiter = false\n"
							 "[wave]\n"
							 "file = " + wavePath() + "\n";
	m_folder.write("alsoft.conf", conf);
	// The variable beats the file's driver list, so an inherited "null" is replaced.
	setenv("ALSOFT_DRIVERS", "wave", 1);
	setenv("ALSOFT_CONF", (m_folder / "alsoft.conf").c_str(), 1);
}

std::vector<int16_t> AudioWaveEnvironment::samples() const
{
	std::string const file = m_folder.read("out.wav");
	std::vector<int16_t> out;
	// RIFF header, then chunks up to "data"; its size field may still be
	// open, so the data runs to the end of the file.
	size_t pos = 12;
	while (pos + 8 <= file.size())
	{
		uint32_t size = 0;
		memcpy(&size, file.data() + pos + 4, 4);
		if (file.compare(pos, 4, "data") == 0)
		{
			size_t const begin = pos + 8;
			out.resize((file.size() - begin) / 2);
			if (!out.empty())
				memcpy(out.data(), file.data() + begin, out.size() * 2);
			break;
		}
		pos += 8 + size + (size & 1);
	}
	return out;
}
