#pragma once

#include <string>

namespace io
{

/** Typed reads of big-endian binary data. */
class DataInput
{
public:
	/** Skips up to n bytes; returns the count skipped. */
	virtual int skip(int n) = 0;

	/** Reads up to size bytes; returns the count read, 0 at the end. */
	virtual int read(void* data, int size) = 0;

	/** Reads exactly size bytes or throws io::IOException. */
	virtual void readFully(void* data, int size) = 0;

	/** One byte; true when not 0. */
	virtual bool readBoolean() = 0;

	/** One unsigned byte (0 to 255). */
	virtual int readByte() = 0;

	/** One signed byte (-128 to 127). */
	virtual char readChar() = 0;

	/** n bytes as text; a zero byte ends the text of its block of 249 bytes. */
	virtual std::string readChars(int n) = 0;

	/** Eight bytes, IEEE double precision. */
	virtual double readDouble() = 0;

	/** Four bytes, IEEE single precision. */
	virtual float readFloat() = 0;

	/** Four bytes, signed. */
	virtual int readInt() = 0;

	/** Two bytes, signed. */
	virtual short readShort() = 0;

	/** A 16-bit length followed by that many bytes, returned as stored. */
	virtual std::string readUTF() = 0;

	/** Like readUTF() into buf (size bytes, NUL-terminated). */
	virtual void readUTF(char* buf, int size) = 0;

protected:
	~DataInput() {}
};

} // io
