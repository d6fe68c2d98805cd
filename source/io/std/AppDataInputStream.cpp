#include "AppDataInputStream.h"
#include "FileInputStream.h"
#include "FileUtil.h"
#include <io/detail/detail.h>

namespace io
{

class AppDataInputStream::Impl : public lang::Object
{
public:
	FileInputStream m_file;

	explicit Impl(std::string const& name) : m_file(detail::constructPath(detail::appdataPath(), name)) {}
};

AppDataInputStream::AppDataInputStream(std::string const& name) : InputStream(lang::Ptr<InputStream>()), m_impl(new Impl(name)) {}

AppDataInputStream::~AppDataInputStream() {}

int AppDataInputStream::read(void* data, int size)
{
	return m_impl->m_file.read(data, size);
}

int AppDataInputStream::skip(int n)
{
	return m_impl->m_file.skip(n);
}

bool AppDataInputStream::seek(int offset, SeekMode mode)
{
	return m_impl->m_file.seek(offset, mode);
}

int AppDataInputStream::available() const
{
	return m_impl->m_file.available();
}

std::string AppDataInputStream::toString() const
{
	return m_impl->m_file.toString();
}

} // io
