#pragma once

#include <pf/PlayerService.h>
#include <functional>
#include <memory>
#include <string>

namespace pf
{

/**
 * The state of a player service: whether the player is signed in, the
 * authentication handler, and the token its posted work checks so that
 * nothing runs for a service that is gone. Main thread only.
 */
class PlayerServiceImpl : public lang::Object
{
public:
	PlayerServiceImpl();
	~PlayerServiceImpl() override;

	/** Queues fn on the main thread; it runs only while the service lives. */
	void post(std::function<void()> fn);

	/** fn, made to do nothing once the service is gone. */
	std::function<void()> guard(std::function<void()> fn);

	/** Drops the work queued and not yet run. */
	void cancel();

	/** Queues the authentication handler's call. */
	void postAuthenticationChanged();

	bool authenticated = false;
	/** The signed-in player's alias, read at sign-in. */
	std::string alias;
	std::function<void()> authenticationHandler;

	/** The failure the next sign-in gets (code ERROR_NONE: none). */
	static PlayerService::Error s_nextSignIn;

private:
	std::shared_ptr<int> m_alive;
};

} // pf
