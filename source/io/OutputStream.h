#pragma once

#include <lang/Object.h>
#include <lang/Ptr.h>
#include <string>

namespace io
{

/** Base of the output streams. */
class OutputStream : public lang::Object
{
public:
	/** Keeps a reference to embedded and forwards every operation to it. */
	explicit OutputStream(lang::Ptr<OutputStream> embedded);

	~OutputStream() override;

	/** Writes all the bytes or throws io::IOException. */
	virtual void write(void const* data, int size);

	/** Name of the stream for messages. */
	virtual std::string toString() const;

	/** The stream operations forward to. */
	OutputStream* getEmbeddedStream() const;

private:
	lang::Ptr<OutputStream> m_embedded;

	OutputStream(OutputStream const&) = delete;
	OutputStream& operator=(OutputStream const&) = delete;
};

} // io
