#include "LoopbackHttpServer.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace test
{

namespace
{

constexpr size_t MAX_HEAD = 64 << 10;
constexpr size_t MAX_BODY = 32 << 20;

/** @return False when the connection ended first. */
bool sendAll(int socket, std::string const& bytes)
{
	size_t sent = 0;
	while (sent < bytes.size())
	{
		ssize_t n = ::send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
		if (n <= 0)
			return false;
		sent += static_cast<size_t>(n);
	}
	return true;
}

std::string lower(std::string text)
{
	for (char& c : text)
		if (c >= 'A' && c <= 'Z')
			c = static_cast<char>(c - 'A' + 'a');
	return text;
}

std::string trimmed(std::string const& text)
{
	size_t begin = text.find_first_not_of(" \t");
	size_t end = text.find_last_not_of(" \t\r");
	return begin == std::string::npos ? "" : text.substr(begin, end - begin + 1);
}

} // namespace

LoopbackHttpServer::LoopbackHttpServer()
{
	m_default = respond(200);
	m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
	sockaddr_in address{};
	address.sin_family = AF_INET;
	address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
	address.sin_port = 0;
	socklen_t length = sizeof(address);
	if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || ::listen(m_listen, 16) != 0 ||
	    ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length) != 0 || ::pipe2(m_wake, O_CLOEXEC) != 0)
	{
		ADD_FAILURE() << "loopback server cannot listen";
		return;
	}
	m_port = ntohs(address.sin_port);
	m_acceptor = std::thread([this] { acceptLoop(); });
}

LoopbackHttpServer::~LoopbackHttpServer()
{
	{
		std::lock_guard<std::mutex> lock(m_mutex);
		m_stop = true;
		for (int s : m_sockets)
			::shutdown(s, SHUT_RDWR);
	}
	m_changed.notify_all();
	if (m_wake[1] >= 0)
	{
		char b = 1;
		(void)!::write(m_wake[1], &b, 1);
	}
	if (m_acceptor.joinable())
		m_acceptor.join();
	std::vector<std::thread> connections;
	{
		std::lock_guard<std::mutex> lock(m_mutex);
		connections.swap(m_connections);
	}
	for (std::thread& t : connections)
		t.join();
	for (int fd : {m_listen, m_wake[0], m_wake[1]})
		if (fd >= 0)
			::close(fd);
}

std::string LoopbackHttpServer::url(std::string const& path) const
{
	return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

void LoopbackHttpServer::enqueue(Answer answer)
{
	std::lock_guard<std::mutex> lock(m_mutex);
	m_queue.push_back(std::move(answer));
}

void LoopbackHttpServer::setDefault(Answer answer)
{
	std::lock_guard<std::mutex> lock(m_mutex);
	m_default = std::move(answer);
}

void LoopbackHttpServer::setResponder(std::function<Answer(Request const&)> responder)
{
	std::lock_guard<std::mutex> lock(m_mutex);
	m_responder = std::move(responder);
}

void LoopbackHttpServer::release()
{
	{
		std::lock_guard<std::mutex> lock(m_mutex);
		m_released = true;
	}
	m_changed.notify_all();
}

void LoopbackHttpServer::hold()
{
	std::lock_guard<std::mutex> lock(m_mutex);
	m_released = false;
}

std::vector<LoopbackHttpServer::Request> LoopbackHttpServer::requests() const
{
	std::lock_guard<std::mutex> lock(m_mutex);
	return m_requests;
}

size_t LoopbackHttpServer::streamedBytes() const
{
	std::lock_guard<std::mutex> lock(m_mutex);
	return m_streamed;
}

bool LoopbackHttpServer::waitForRequests(size_t count, std::chrono::milliseconds timeout) const
{
	std::unique_lock<std::mutex> lock(m_mutex);
	return m_changed.wait_for(lock, timeout, [&] { return m_requests.size() >= count; });
}

void LoopbackHttpServer::acceptLoop()
{
	for (;;)
	{
		pollfd fds[2] = {{m_listen, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
		if (::poll(fds, 2, -1) < 0)
			continue;
		if (fds[1].revents)
			return;
		int s = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
		if (s < 0)
			continue;
		std::lock_guard<std::mutex> lock(m_mutex);
		if (m_stop)
		{
			::close(s);
			return;
		}
		m_sockets.push_back(s);
		m_connections.emplace_back([this, s] { serve(s); });
	}
}

void LoopbackHttpServer::serve(int s)
{
	// The head, then as much body as Content-Length says.
	std::string data;
	char buf[65536];
	size_t headEnd;
	bool complete = false;
	Request request;
	for (;;)
	{
		headEnd = data.find("\r\n\r\n");
		if (headEnd != std::string::npos || data.size() > MAX_HEAD)
			break;
		ssize_t n = ::recv(s, buf, sizeof(buf), 0);
		if (n <= 0)
			break;
		data.append(buf, static_cast<size_t>(n));
	}
	if (headEnd != std::string::npos)
	{
		std::string head = data.substr(0, headEnd);
		size_t lineEnd = head.find("\r\n");
		std::string first = head.substr(0, lineEnd);
		size_t a = first.find(' '), b = first.rfind(' ');
		if (a != std::string::npos && b > a)
		{
			request.method = first.substr(0, a);
			request.path = first.substr(a + 1, b - a - 1);
		}
		size_t at = lineEnd == std::string::npos ? head.size() : lineEnd + 2;
		while (at < head.size())
		{
			size_t end = head.find("\r\n", at);
			if (end == std::string::npos)
				end = head.size();
			std::string line = head.substr(at, end - at);
			size_t colon = line.find(':');
			if (colon != std::string::npos)
				request.headers[lower(trimmed(line.substr(0, colon)))] = trimmed(line.substr(colon + 1));
			at = end + 2;
		}
		size_t length = 0;
		if (auto found = request.headers.find("content-length"); found != request.headers.end())
			length = std::min<size_t>(std::strtoull(found->second.c_str(), nullptr, 10), MAX_BODY);
		request.body = data.substr(headEnd + 4);
		while (request.body.size() < length)
		{
			ssize_t n = ::recv(s, buf, sizeof(buf), 0);
			if (n <= 0)
				break;
			request.body.append(buf, static_cast<size_t>(n));
		}
		complete = request.body.size() >= length;
		request.body.resize(std::min(request.body.size(), length));
	}

	Answer answer = close();
	{
		std::unique_lock<std::mutex> lock(m_mutex);
		if (complete)
		{
			if (m_responder)
				answer = m_responder(request);
			else if (!m_queue.empty())
			{
				answer = m_queue.front();
				m_queue.pop_front();
			}
			else
				answer = m_default;
			m_requests.push_back(request);
			m_changed.notify_all();
		}
		if (answer.hold || answer.kind == Answer::NEVER)
			m_changed.wait(lock, [&] { return m_stop || (answer.kind != Answer::NEVER && m_released); });
	}
	switch (answer.kind)
	{
	case Answer::RESPOND:
	{
		std::string out = "HTTP/1.1 " + std::to_string(answer.status) + " Answer\r\n";
		for (auto const& [name, value] : answer.headers)
			out += name + ": " + value + "\r\n";
		out += "Content-Length: " + std::to_string(answer.bytes.size()) + "\r\nConnection: close\r\n\r\n" + answer.bytes;
		sendAll(s, out);
		break;
	}
	case Answer::RAW:
		sendAll(s, answer.bytes);
		break;
	case Answer::RESET:
	{
		sendAll(s, answer.bytes);
		linger hard{1, 0};
		::setsockopt(s, SOL_SOCKET, SO_LINGER, &hard, sizeof(hard));
		break;
	}
	case Answer::STREAM:
		for (bool open = sendAll(s, answer.bytes); open;)
		{
			{
				std::unique_lock<std::mutex> lock(m_mutex);
				if (m_changed.wait_for(lock, answer.pause, [&] { return m_stop; }))
					break;
			}
			open = sendAll(s, answer.chunk);
			std::lock_guard<std::mutex> lock(m_mutex);
			m_streamed += open ? answer.chunk.size() : 0;
		}
		break;
	case Answer::CLOSE:
	case Answer::NEVER:
		break;
	}
	std::lock_guard<std::mutex> lock(m_mutex);
	m_sockets.erase(std::remove(m_sockets.begin(), m_sockets.end(), s), m_sockets.end());
	::close(s);
}

} // namespace test
