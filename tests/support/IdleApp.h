#pragma once

#include <framework/App.h>

namespace test
{

/** An application that does nothing per frame, for tests of the host alone. */
class IdleApp : public framework::App
{
public:
	explicit IdleApp(framework::OSInterface* os) : framework::App(os) {}
	void update(float, gr::Context*, int) override {}
};

} // test
