#pragma once

#include <io/OutputStream.h>
#include <vector>

namespace io
{

/** Output stream that collects everything written in memory. */
class ByteArrayOutputStream : public OutputStream
{
public:
	/** Empty stream with room reserved for capacity bytes. */
	explicit ByteArrayOutputStream(int capacity = 0);

	~ByteArrayOutputStream() override;

	/**
	 * Appends the bytes.
	 * @exception IOException If size is negative.
	 */
	void write(void const* data, int size) override;

	/** "ByteArrayOutputStream". */
	std::string toString() const override;

	/** Everything written so far. */
	std::vector<unsigned char> const& data() const { return m_data; }

private:
	std::vector<unsigned char> m_data;
};

} // io
