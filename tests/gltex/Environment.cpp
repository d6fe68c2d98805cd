#include <framework/linux/HeadlessGL.h>
#include <gtest/gtest.h>

// The context that keeps the driver loaded (see below); reachable to the end.
framework::HeadlessGL* g_driverKeeper = nullptr;

namespace
{

// Keeps one GL context (and so the GL driver) alive for the whole run while
// the tests open and close their own: unloading and reloading the driver
// between tests leaves thread-local blocks behind that the leak checker at
// exit cannot walk. The context stays reachable on purpose.
class KeepDriverLoaded : public ::testing::Environment
{
public:
	void SetUp() override
	{
		if (!g_driverKeeper)
			g_driverKeeper = new framework::HeadlessGL(framework::HeadlessGL::API_GLES2, 1, 1);
	}
};

::testing::Environment* const s_keepDriverLoaded = ::testing::AddGlobalTestEnvironment(new KeepDriverLoaded);

} // namespace
