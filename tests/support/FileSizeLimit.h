#pragma once

#include <csignal>
#include <sys/resource.h>

namespace test
{

/**
 * While it lives, the process writes no regular file past bytes bytes: such
 * a write fails with EFBIG ("File too large"), as writes fail on a full
 * disk (RLIMIT_FSIZE, with SIGXFSZ ignored so that the write reports it
 * instead of ending the process). A save larger than the limit fails while
 * a smaller one made in the same scope goes through. The whole process is
 * bounded: captured output (a temporary file) counts as well.
 */
class FileSizeLimit
{
public:
	explicit FileSizeLimit(rlim_t bytes)
	{
		getrlimit(RLIMIT_FSIZE, &m_saved);
		m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
		rlimit limit = m_saved;
		limit.rlim_cur = bytes;
		setrlimit(RLIMIT_FSIZE, &limit);
	}

	~FileSizeLimit()
	{
		setrlimit(RLIMIT_FSIZE, &m_saved);
		std::signal(SIGXFSZ, m_oldHandler);
	}

private:
	rlimit m_saved;
	void (*m_oldHandler)(int);

	FileSizeLimit(FileSizeLimit const&) = delete;
	FileSizeLimit& operator=(FileSizeLimit const&) = delete;
};

} // test
