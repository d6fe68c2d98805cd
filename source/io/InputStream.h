#pragma once

#include <lang/Object.h>
#include <lang/Ptr.h>
#include <cstdio>
#include <string>

// The C library defines SEEK_END as a macro; the stream's own SeekMode value
// of that name has the same number (2), so C code may use either spelling
// once this header is included.
#undef SEEK_END

namespace io
{

/**
 * Base of the input streams. A stream either overrides every operation or
 * forwards them to another stream (given by reference or held embedded).
 */
class InputStream : public lang::Object
{
public:
	/** Read position origins; the numbers match the C library's fseek origins. */
	enum SeekMode
	{
		SEEK_BEGIN = 0,
		SEEK_CURRENT = 1,
		SEEK_END = 2,
	};

	/** Forwards every operation to source, which must outlive this stream. */
	explicit InputStream(InputStream& source);

	/** Keeps a reference to embedded and forwards every operation to it. */
	explicit InputStream(lang::Ptr<InputStream> embedded);

	~InputStream() override;

	/** Reads up to size bytes; returns the count read, 0 at the end. */
	virtual int read(void* data, int size);

	/** Skips forward; returns the count skipped. */
	virtual int skip(int n);

	/** Moves the read position; returns success. */
	virtual bool seek(int offset, SeekMode mode);

	/** Bytes left to read, or a negative value when the stream cannot tell. */
	virtual int available() const;

	/** Name of the stream (a path, an entry name) for messages. */
	virtual std::string toString() const;

	/** The stream operations forward to. */
	InputStream* getEmbeddedStream() const;

private:
	lang::Ptr<InputStream> m_embedded;
	InputStream* m_source;

	InputStream(InputStream const&) = delete;
	InputStream& operator=(InputStream const&) = delete;
};

} // io
