// Linked into every test program with TestHome.cpp: the log's debug lines
// are on in test processes (many tests read the traces the engine writes),
// set before anything runs. A program a test starts inherits it; a test of
// the default level gives its child ENGINE_VERBOSE= (empty: off).

#include <cstdlib>

namespace
{

struct TestVerboseLog
{
	TestVerboseLog() { setenv("ENGINE_VERBOSE", "1", 0); }
};

TestVerboseLog const testVerboseLog;

} // namespace
