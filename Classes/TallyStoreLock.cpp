#include "TallyStoreLock.h"
#include "TallyFilePaths.h"
#include "TallyLog.h"
#include <io/std/FileLock.h>
#include <lang/Throwable.h>

TallyStoreLock::TallyStoreLock() = default;

TallyStoreLock::~TallyStoreLock() = default;

TallyStoreLock& TallyStoreLock::instance()
{
	// Never destroyed: the agent's threads may still store while the
	// process runs its exit handlers.
	static TallyStoreLock* const s_lock = new TallyStoreLock;
	return *s_lock;
}

void TallyStoreLock::lock()
{
	m_mutex.lock();
	if (m_depth++ > 0)
		return;
	try
	{
		std::string const path = TallyFilePaths::filePathDirectory() + "/.tallyStore.lock";
		m_file = io::FileLock::settingAside(path, io::FileLock::WAIT);
	}
	catch (lang::Throwable const& e)
	{
		tallyLog("TallyAnalytics: the stored files are not locked against other processes: %@", {e.getMessage().format()});
	}
}

void TallyStoreLock::unlock()
{
	if (--m_depth == 0)
		m_file.reset();
	m_mutex.unlock();
}
