// Linked into every test program (tests/CMakeLists.txt): before anything
// else runs, the process gets a temporary HOME with the XDG data, cache,
// config and state folders inside it, removed again when the process that
// made it exits, so that no test (nor a library under it, nor a program it
// starts) writes into the user's home. A process started by a test (a
// death test's child, the game program) keeps the test's folders, marked by
// ENGINE_TEST_HOME. A test may still point a variable elsewhere for itself.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace
{

class TestHome
{
public:
	TestHome() : m_owner(0)
	{
		if (getenv("ENGINE_TEST_HOME"))
			return;
		std::string pattern = (std::filesystem::temp_directory_path() / "engine-home-XXXXXX").string();
		if (!mkdtemp(pattern.data()))
			return;
		m_path = pattern;
		m_owner = getpid();
		setenv("ENGINE_TEST_HOME", m_path.c_str(), 1);
		setenv("HOME", m_path.c_str(), 1);
		setenv("XDG_DATA_HOME", (m_path + "/.local/share").c_str(), 1);
		setenv("XDG_CACHE_HOME", (m_path + "/.cache").c_str(), 1);
		setenv("XDG_CONFIG_HOME", (m_path + "/.config").c_str(), 1);
		setenv("XDG_STATE_HOME", (m_path + "/.local/state").c_str(), 1);
	}

	~TestHome()
	{
		// A forked child that exits runs this too: only the maker removes.
		if (m_owner != getpid())
			return;
		std::error_code ec;
		std::filesystem::remove_all(m_path, ec);
	}

	TestHome(TestHome const&) = delete;
	TestHome& operator=(TestHome const&) = delete;

private:
	std::string m_path;
	pid_t m_owner;
};

TestHome const testHome;

} // namespace
