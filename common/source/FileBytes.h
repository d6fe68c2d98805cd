#pragma once

#include <DataCipher.h>
#include <cstddef>

namespace io
{
class InputStream;
}

/** The largest shipped or save file the host reads: 64 MiB. */
constexpr size_t MAX_DATA_FILE_SIZE = size_t(64) << 20;

/**
 * Replaces out with everything left in the stream, reading at most
 * MAX_DATA_FILE_SIZE bytes. A stream that reports more than the cap as
 * available is refused before anything is read.
 * @return False (out emptied) when the stream holds more than the cap.
 * @exception io::IOException Whatever the stream throws.
 */
bool readFileBytes(io::InputStream& in, cipher::Bytes& out);
