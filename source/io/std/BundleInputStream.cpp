#include "BundleInputStream.h"
#include "FileInputStream.h"
#include "FileUtil.h"
#include <io/detail/detail.h>

namespace io
{

class BundleInputStream::Impl : public lang::Object
{
public:
	FileInputStream m_file;

	explicit Impl(std::string const& name) : m_file(detail::constructPath(detail::bundlePath(), name)) {}
};

BundleInputStream::BundleInputStream(std::string const& name) : InputStream(lang::Ptr<InputStream>()), m_impl(new Impl(name)) {}

BundleInputStream::~BundleInputStream() {}

int BundleInputStream::read(void* data, int size)
{
	return m_impl->m_file.read(data, size);
}

int BundleInputStream::skip(int n)
{
	return m_impl->m_file.skip(n);
}

bool BundleInputStream::seek(int offset, SeekMode mode)
{
	return m_impl->m_file.seek(offset, mode);
}

int BundleInputStream::available() const
{
	return m_impl->m_file.available();
}

std::string BundleInputStream::toString() const
{
	return m_impl->m_file.toString();
}

} // io
