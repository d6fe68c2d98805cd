// The report body of 50 sessions of 1,000 events (two parameters each),
// built by the agent and by a plain big-endian writer into a reserved
// buffer with zlib's CRC-32: the agent's cost over the bare writing.

#include <TallyDeviceIds.h>
#include <TallySession.h>
#include <benchmark/benchmark.h>
#include <linux/TallyPlatform.h>
#include <zlib.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{

TallyDate const NOW = 1339761600LL * 1000000;

/** The fields of one session, copied out of it before timing. */
struct PlainSession
{
	std::string appVersion, locale, timeZone;
	int64_t start = 0, length = 0;
	std::vector<std::pair<std::string, int>> counts;
	struct Event
	{
		uint16_t id;
		std::string name;
		std::vector<std::pair<std::string, std::string>> parameters;
		int64_t offset, duration;
	};
	std::vector<Event> events;
	bool complete = true;
};

class Writer
{
public:
	explicit Writer(size_t reserve) { m_data.reserve(reserve); }
	void u8(uint8_t v) { m_data += static_cast<char>(v); }
	void u16(uint16_t v)
	{
		char b[2] = {static_cast<char>(v >> 8), static_cast<char>(v)};
		m_data.append(b, 2);
	}
	void u32(uint32_t v)
	{
		char b[4];
		for (int i = 0; i < 4; ++i)
			b[i] = static_cast<char>(v >> (24 - 8 * i));
		m_data.append(b, 4);
	}
	void u64(uint64_t v)
	{
		char b[8];
		for (int i = 0; i < 8; ++i)
			b[i] = static_cast<char>(v >> (56 - 8 * i));
		m_data.append(b, 8);
	}
	void text(std::string const& s)
	{
		u16(static_cast<uint16_t>(s.size()));
		m_data += s;
	}
	std::string& data() { return m_data; }

private:
	std::string m_data;
};

struct Fixture
{
	std::string folder;
	std::vector<lang::Ptr<TallySession>> sessions;
	std::vector<PlainSession> plain;
	// The device identifiers as the agent finds them on this machine (empty
	// where it finds none), read once like the sessions' fields.
	std::string macBasedId, macId, generatedId;
	uint8_t generatedStatus = 1;

	Fixture()
	{
		char pattern[] = "/tmp/tally-bench-XXXXXX";
		folder = mkdtemp(pattern) ? pattern : "/tmp";
		TallyPlatform::Values v;
		v.clock = [] { return NOW; };
		v.libraryPath = folder;
		v.cachesPath = folder;
		v.userDataPath = folder;
		v.systemVersion = "6.1.0";
		v.devicePlatform = "Bench";
		v.localeIdentifier = "en_US";
		v.timeZoneName = "UTC";
		TallyPlatform::set(v);
		TallySession::createActiveTallySession("BENCHKEY", std::string("1.0"));
		for (int s = 0; s < 50; ++s)
		{
			lang::Ptr<TallySession> session(new TallySession("BENCHKEY", "1.0"));
			for (int e = 0; e < 1000; ++e)
				session->recordEvent("level_event_" + std::to_string(e % 40),
				                     std::map<std::string, std::string>{{"level", std::to_string(e)}, {"score", std::to_string(e * 7)}});
			session->endSessionAndSend(false, false);
			sessions.push_back(session);
			plain.push_back(copy(*session));
		}
		macBasedId = TallyDeviceIds::getMACBasedUID();
		macId = TallyDeviceIds::getMACUID();
		// The first look makes the generated identifier when it is missing;
		// the second answers as every later report will.
		generatedId = TallyDeviceIds::getCFUUIDBasedUIDAndStatus(generatedStatus);
		generatedId = TallyDeviceIds::getCFUUIDBasedUIDAndStatus(generatedStatus);
	}

	~Fixture()
	{
		TallySession::setCurrentSession(nullptr);
		std::error_code ec;
		std::filesystem::remove_all(folder, ec);
	}

	static PlainSession copy(TallySession const& s)
	{
		PlainSession p;
		p.appVersion = s.appVersion();
		p.locale = TallyPlatform::localeIdentifier();
		p.timeZone = TallyPlatform::timeZoneName();
		p.start = *s.startTime() / 1000;
		p.length = s.sessionLength();
		for (auto const& c : s.read(&TallySessionState::eventCounts))
			p.counts.push_back(c);
		for (lang::Ptr<TallyEvent> const& e : s.read(&TallySessionState::eventLog))
			p.events.push_back({static_cast<uint16_t>(e->eventLogId()), e->name(), {e->parameters()->begin(), e->parameters()->end()},
			                    e->startOffsetFromSessionStart(s.startTime()), e->duration()});
		p.complete = s.read(&TallySessionState::eventLogComplete);
		return p;
	}

	std::string plainBody() const
	{
		Writer w(60 * 1000 * 50);
		w.u16(22);
		w.u16(0);
		w.u64(0);
		w.u16(0);
		w.u16(8);
		w.u16(89);
		w.u64(NOW / 1000);
		w.text("BENCHKEY");
		w.text("1.0");
		w.u16(3);
		w.u16(2);
		w.text(macBasedId);
		w.u16(4);
		w.text(macId);
		w.u16(3);
		w.text(generatedId);
		w.u8(generatedStatus);
		w.u64(NOW / 1000);
		w.u64(NOW / 1000);
		w.u16(4);
		for (char const* kv : {"device.model.1", "Bench", "device.os.version", "6.1.0", "scr.height", "0", "scr.width", "0"})
			w.text(kv);
		w.u16(static_cast<uint16_t>(plain.size()));
		for (PlainSession const& s : plain)
		{
			w.u16(1);
			w.text(s.appVersion);
			w.u64(static_cast<uint64_t>(s.start));
			w.u64(static_cast<uint64_t>(s.length));
			w.u64(0);
			w.text(s.locale);
			w.text(s.timeZone);
			w.u8(1);
			w.u16(0);
			w.u8(1);
			w.u64(0);
			w.u64(0);
			w.u32(0);
			w.u32(0);
			w.u8(0xFF);
			w.u8(0);
			w.u16(static_cast<uint16_t>(s.counts.size()));
			for (auto const& [name, count] : s.counts)
			{
				w.text(name);
				w.u32(static_cast<uint32_t>(count));
			}
			w.u16(static_cast<uint16_t>(s.events.size()));
			for (PlainSession::Event const& e : s.events)
			{
				w.u16(e.id);
				w.text(e.name);
				w.u16(static_cast<uint16_t>(e.parameters.size()));
				for (auto const& [k, v] : e.parameters)
				{
					w.text(k);
					w.text(v);
				}
				w.u64(static_cast<uint64_t>(e.offset));
				w.u64(static_cast<uint64_t>(e.duration));
			}
			w.u8(s.complete ? 1 : 0);
			w.u32(0);
			w.u16(0);
			w.u16(0);
			w.u16(0);
		}
		std::string& d = w.data();
		w.u32(static_cast<uint32_t>(crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<Bytef const*>(d.data()), static_cast<uInt>(d.size()))));
		return std::move(d);
	}

	std::vector<TallySession::Entry> entries() const { return {sessions.begin(), sessions.end()}; }
};

Fixture& fixture()
{
	static Fixture f;
	static bool checked = false;
	if (!checked)
	{
		checked = true;
		if (TallySession::dataForSessions(f.entries(), false, false, false, false) != f.plainBody())
		{
			fprintf(stderr, "the agent's body and the plain body differ\n");
			abort();
		}
	}
	return f;
}

void BM_TallyDataForSessions(benchmark::State& state)
{
	Fixture& f = fixture();
	std::vector<TallySession::Entry> entries = f.entries();
	for (auto _ : state)
	{
		std::string body = TallySession::dataForSessions(entries, false, false, false, false);
		benchmark::DoNotOptimize(body.data());
	}
}
BENCHMARK(BM_TallyDataForSessions)->Unit(benchmark::kMillisecond);

void BM_PlainWriter(benchmark::State& state)
{
	Fixture& f = fixture();
	for (auto _ : state)
	{
		std::string body = f.plainBody();
		benchmark::DoNotOptimize(body.data());
	}
}
BENCHMARK(BM_PlainWriter)->Unit(benchmark::kMillisecond);

} // namespace
