#pragma once

#include <string>

namespace io
{

/** File kind, guessed from a file name's suffix; an int, so that codes from outside the table can be named. */
enum FileFormat : int
{
	FILEFORMAT_UNKNOWN = 0,
	FILEFORMAT_BMP = 1,
	FILEFORMAT_TGA = 2,
	FILEFORMAT_JPG = 3,
	FILEFORMAT_DDS = 4,
	FILEFORMAT_PSD = 5,
	FILEFORMAT_PNG = 6,
	FILEFORMAT_PCX = 7,
	FILEFORMAT_PNM = 8,
	FILEFORMAT_GIF = 9,
	FILEFORMAT_TIF = 10,
	FILEFORMAT_PVR = 11,
	FILEFORMAT_WAV = 12,
	FILEFORMAT_MP3 = 13,
	FILEFORMAT_HGR = 14,
	FILEFORMAT_RAW = 15,
};

/**
 * Kind named by the text after the last "." of name (compared without case);
 * FILEFORMAT_UNKNOWN without a "." or for an unlisted suffix.
 */
FileFormat guessFileFormat(std::string const& name);

/** Upper-case name of the kind ("JPG"); "UNKNOWN" for values out of range. */
std::string toString(FileFormat format);

} // io
