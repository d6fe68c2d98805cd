#pragma once

#include <io/InputStream.h>
#include <lang/Ptr.h>
#include <string>

namespace io
{

/**
 * Input stream over a file of the bundle folder (the shipped data, see
 * io::detail::bundlePath). Behaves as io::FileInputStream on the full path.
 */
class BundleInputStream : public InputStream
{
public:
	/**
	 * Opens the file name (relative to the bundle folder; one leading "/" is
	 * ignored).
	 * @exception IOException "Failed to open {0} with errno {1}".
	 */
	explicit BundleInputStream(std::string const& name);

	~BundleInputStream() override;

	int read(void* data, int size) override;
	int skip(int n) override;
	bool seek(int offset, SeekMode mode) override;
	int available() const override;

	/** The full path. */
	std::string toString() const override;

	class Impl;

private:
	lang::Ptr<Impl> m_impl;
};

} // io
