#include "FileLock.h"
#include "FileUtil.h"
#include <io/IOException.h>
#include <lang/Format.h>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace io
{

FileLock::FileLock(std::string const& path, Wait wait) : m_fd(-1), m_held(false)
{
	m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
	if (m_fd < 0)
		lang::throwError(IOException(lang::Format("Failed to lock {0} with errno {1}", path, detail::errnoText(errno))));
	int result;
	do
		result = flock(m_fd, LOCK_EX | (wait == DONT_WAIT ? LOCK_NB : 0));
	while (result != 0 && errno == EINTR);
	if (result == 0)
	{
		m_held = true;
		return;
	}
	int const error = errno;
	::close(m_fd);
	m_fd = -1;
	if (error != EWOULDBLOCK)
		lang::throwError(IOException(lang::Format("Failed to lock {0} with errno {1}", path, detail::errnoText(error))));
}

FileLock::~FileLock()
{
	if (m_fd >= 0)
		::close(m_fd);
}

} // io
