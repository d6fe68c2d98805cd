#include "FileFormat.h"
#include <lang/String.h>

namespace io
{

namespace
{

// Suffixes of each kind in FileFormat order; the first is the kind's name.
char const* const names[16][2] = {
	{"UNKNOWN", nullptr},
	{"BMP", nullptr},
	{"TGA", nullptr},
	{"JPG", "JPEG"},
	{"DDS", nullptr},
	{"PSD", nullptr},
	{"PNG", nullptr},
	{"PCX", nullptr},
	{"PNM", nullptr},
	{"GIF", nullptr},
	{"TIF", "TIFF"},
	{"PVR", nullptr},
	{"WAV", nullptr},
	{"MP3", nullptr},
	{"HGR", nullptr},
	{"RAW", nullptr},
};

} // namespace

FileFormat guessFileFormat(std::string const& name)
{
	size_t dot = name.rfind('.');
	if (dot == std::string::npos)
		return FILEFORMAT_UNKNOWN;
	std::string suffix = lang::string::toupper(name.substr(dot + 1));
	for (int i = 0; i < 16; ++i)
		for (char const* s : names[i])
			if (s && suffix == s)
				return static_cast<FileFormat>(i);
	return FILEFORMAT_UNKNOWN;
}

std::string toString(FileFormat format)
{
	int i = static_cast<int>(format);
	if (i < 0 || i >= 16)
		i = FILEFORMAT_UNKNOWN;
	return names[i][0];
}

} // io
