#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace test
{

/**
 * While it lives, file permissions hold for the calling thread even when
 * the tests run as root: it takes CAP_DAC_OVERRIDE and CAP_DAC_READ_SEARCH
 * out of the thread's effective capabilities (they stay permitted and come
 * back when it ends). Other threads keep theirs. Without those capabilities
 * to begin with, it changes nothing.
 */
class FilePermissionsApply
{
public:
	FilePermissionsApply()
	{
		m_header.version = _LINUX_CAPABILITY_VERSION_3;
		m_header.pid = 0;
		m_saved = syscall(SYS_capget, &m_header, m_data) == 0;
		if (!m_saved)
			return;
		__user_cap_data_struct lowered[2] = {m_data[0], m_data[1]};
		lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
		syscall(SYS_capset, &m_header, lowered);
	}

	~FilePermissionsApply()
	{
		if (m_saved)
			syscall(SYS_capset, &m_header, m_data);
	}

private:
	__user_cap_header_struct m_header;
	__user_cap_data_struct m_data[2];
	bool m_saved;

	FilePermissionsApply(FilePermissionsApply const&) = delete;
	FilePermissionsApply& operator=(FilePermissionsApply const&) = delete;
};

} // test
