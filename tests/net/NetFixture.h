#pragma once

#include <net/HttpRequest.h>
#include <support/LoopbackHttpServer.h>
#include <gtest/gtest.h>

/**
 * A loopback server and short limits (1 s stall, 2 s connect) for every
 * request made while the test runs; the previous limits come back after.
 */
class NetFixture : public ::testing::Test
{
protected:
	test::LoopbackHttpServer server;
	net::HttpLimits saved = net::HttpRequest::defaultLimits();

	void SetUp() override { net::HttpRequest::setDefaultLimits(shortLimits()); }
	void TearDown() override { net::HttpRequest::setDefaultLimits(saved); }

	static net::HttpLimits shortLimits()
	{
		net::HttpLimits limits;
		limits.connectTimeoutMs = 2000;
		limits.lowSpeedSeconds = 1;
		return limits;
	}
};
