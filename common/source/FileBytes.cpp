#include "FileBytes.h"
#include <io/InputStream.h>

bool readFileBytes(io::InputStream& in, cipher::Bytes& out)
{
	out.clear();
	int const available = in.available();
	if (available >= 0 && static_cast<size_t>(available) > MAX_DATA_FILE_SIZE)
		return false;
	// One read of the announced size; streams that do not know their size
	// grow the buffer until the end, never past one byte over the cap.
	size_t capacity = available > 0 ? static_cast<size_t>(available) + 1 : 4096;
	size_t used = 0;
	for (;;)
	{
		if (used == capacity)
			capacity = capacity * 2 > MAX_DATA_FILE_SIZE + 1 ? MAX_DATA_FILE_SIZE + 1 : capacity * 2;
		out.resize(capacity);
		int const n = in.read(out.data() + used, static_cast<int>(capacity - used));
		if (n <= 0)
			break;
		used += static_cast<size_t>(n);
		if (used > MAX_DATA_FILE_SIZE)
		{
			out.clear();
			return false;
		}
	}
	out.resize(used);
	return true;
}
