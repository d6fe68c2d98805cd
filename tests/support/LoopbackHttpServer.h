#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace test
{

/**
 * An HTTP server of the test's own on 127.0.0.1 (a port the system picks),
 * one request per connection, each connection on a thread of its own. It
 * records every request and answers it from a script: the next queued
 * answer, else the default one. Requests are read up to 64 KiB of head and
 * 32 MiB of body (Content-Length only). Destroying the server ends every
 * connection, held ones included, and joins its threads. Thread-safe.
 */
class LoopbackHttpServer
{
public:
	/** One received request; header names in lower case. */
	struct Request
	{
		std::string method;
		std::string path;
		std::map<std::string, std::string> headers;
		std::string body;
	};

	/** How one request is answered. */
	struct Answer
	{
		enum Kind
		{
			RESPOND, ///< status line, headers, Content-Length and body, then close
			RAW,     ///< the bytes as they are, then close
			RESET,   ///< the bytes, then a connection reset
			CLOSE,   ///< close without a byte
			NEVER,   ///< no answer until the server goes
			STREAM,  ///< the bytes, then chunk again and again, pause between, until the client or the server goes
		};
		Kind kind = RESPOND;
		int status = 200;
		std::vector<std::pair<std::string, std::string>> headers;
		std::string bytes;
		/** Waits for release() before answering. */
		bool hold = false;
		/** STREAM: what is sent after the bytes, over and over (not empty). */
		std::string chunk;
		/** STREAM: the wait before each chunk. */
		std::chrono::milliseconds pause{0};
	};

	static Answer respond(int status, std::string body = "", std::vector<std::pair<std::string, std::string>> headers = {})
	{
		Answer a;
		a.status = status;
		a.bytes = std::move(body);
		a.headers = std::move(headers);
		return a;
	}
	static Answer raw(std::string bytes)
	{
		Answer a;
		a.kind = Answer::RAW;
		a.bytes = std::move(bytes);
		return a;
	}
	static Answer reset(std::string bytes)
	{
		Answer a;
		a.kind = Answer::RESET;
		a.bytes = std::move(bytes);
		return a;
	}
	static Answer close()
	{
		Answer a;
		a.kind = Answer::CLOSE;
		return a;
	}
	static Answer never()
	{
		Answer a;
		a.kind = Answer::NEVER;
		return a;
	}
	/**
	 * head as it is, then chunk sent again and again with pause before each
	 * one: a slow drip (one byte a second) or an endless body (no pause).
	 */
	static Answer stream(std::string head, std::string chunk, std::chrono::milliseconds pause)
	{
		Answer a;
		a.kind = Answer::STREAM;
		a.bytes = std::move(head);
		a.chunk = chunk.empty() ? std::string("x") : std::move(chunk);
		a.pause = pause;
		return a;
	}
	/** The answer, given once release() is called. */
	static Answer held(Answer answer)
	{
		answer.hold = true;
		return answer;
	}

	/** Starts listening. Fails the test (ADD_FAILURE) when it cannot. */
	LoopbackHttpServer();
	~LoopbackHttpServer();

	/** "http://127.0.0.1:<port><path>". */
	std::string url(std::string const& path = "/") const;
	int port() const { return m_port; }

	/** Queues an answer for the next request not yet answered. */
	void enqueue(Answer answer);

	/** The answer once the queue is empty (at start: 200, empty body). */
	void setDefault(Answer answer);

	/** A function that chooses the answer, in place of queue and default (empty: back to them). */
	void setResponder(std::function<Answer(Request const&)> responder);

	/** Lets every held answer (now and later) go out. */
	void release();

	/** Makes held answers wait again, until the next release(). */
	void hold();

	/** The requests received so far, in order of arrival. */
	std::vector<Request> requests() const;

	/** The body bytes of STREAM answers sent so far, all connections together. */
	size_t streamedBytes() const;

	/** Waits until count requests arrived; false after the time-out. */
	bool waitForRequests(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;

	LoopbackHttpServer(LoopbackHttpServer const&) = delete;
	LoopbackHttpServer& operator=(LoopbackHttpServer const&) = delete;

private:
	int m_listen = -1;
	int m_wake[2] = {-1, -1};
	int m_port = 0;
	std::thread m_acceptor;
	mutable std::mutex m_mutex;
	mutable std::condition_variable m_changed;
	bool m_stop = false;
	bool m_released = false;
	size_t m_streamed = 0;
	std::deque<Answer> m_queue;
	Answer m_default;
	std::function<Answer(Request const&)> m_responder;
	std::vector<Request> m_requests;
	std::vector<std::thread> m_connections;
	std::vector<int> m_sockets;

	void acceptLoop();
	void serve(int socket);
};

} // namespace test
