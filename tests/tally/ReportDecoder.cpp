#include "ReportDecoder.h"
#include <cstring>

namespace reportcheck
{

uint32_t crc32(std::string const& bytes)
{
	uint32_t reg = 0xFFFFFFFFu;
	for (unsigned char b : bytes)
	{
		reg ^= b;
		for (int k = 0; k < 8; ++k)
			reg = (reg & 1) ? (reg >> 1) ^ 0xEDB88320u : reg >> 1;
	}
	return ~reg;
}

size_t utf16Units(std::string const& text)
{
	size_t units = 0;
	for (size_t i = 0; i < text.size();)
	{
		unsigned char c = static_cast<unsigned char>(text[i]);
		size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
		if (n == 0 || i + n > text.size())
			throw std::runtime_error("bad UTF-8 lead byte");
		for (size_t k = 1; k < n; ++k)
			if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
				throw std::runtime_error("bad UTF-8 continuation");
		units += n == 4 ? 2 : 1;
		i += n;
	}
	return units;
}

std::string Cursor::raw(size_t n)
{
	if (n > left())
		throw std::runtime_error("report ends early at " + std::to_string(m_pos));
	std::string out = m_bytes.substr(m_pos, n);
	m_pos += n;
	return out;
}

uint8_t Cursor::u8()
{
	return static_cast<uint8_t>(raw(1)[0]);
}

uint16_t Cursor::u16()
{
	std::string b = raw(2);
	return static_cast<uint16_t>((static_cast<unsigned char>(b[0]) << 8) | static_cast<unsigned char>(b[1]));
}

uint32_t Cursor::u32()
{
	std::string b = raw(4);
	uint32_t v = 0;
	for (char c : b)
		v = (v << 8) | static_cast<unsigned char>(c);
	return v;
}

int64_t Cursor::i64()
{
	std::string b = raw(8);
	uint64_t v = 0;
	for (char c : b)
		v = (v << 8) | static_cast<unsigned char>(c);
	return static_cast<int64_t>(v);
}

float Cursor::f32()
{
	uint32_t bits = u32();
	float f;
	memcpy(&f, &bits, 4);
	return f;
}

double Cursor::f64()
{
	uint64_t bits = static_cast<uint64_t>(i64());
	double d;
	memcpy(&d, &bits, 8);
	return d;
}

bool Cursor::flag()
{
	uint8_t b = u8();
	if (b > 1)
		throw std::runtime_error("boolean byte " + std::to_string(b));
	return b == 1;
}

std::string Cursor::text()
{
	std::string s = raw(u16());
	if (utf16Units(s) > 255)
		throw std::runtime_error("string over 255 units");
	return s;
}

std::string Cursor::shortData()
{
	return raw(u16());
}

SessionBlock readSession(Cursor& in)
{
	SessionBlock s;
	s.version = in.u16();
	s.appVersion = in.text();
	s.start = in.i64();
	s.length = in.i64();
	s.pauses = in.i64();
	s.locale = in.text();
	s.timeZone = in.text();
	s.internet = in.flag();
	s.userID = in.text();
	s.hasLocation = in.flag();
	s.latitude = in.f64();
	s.longitude = in.f64();
	s.accuracy = in.f32();
	s.pageViews = in.i32();
	s.gender = in.u8();
	s.hasAge = in.flag();
	if (s.hasAge)
		s.age = in.i64();
	for (int n = in.u16(); n > 0; --n)
	{
		std::string name = in.text();
		s.eventCounts.emplace_back(name, in.i32());
	}
	for (int n = in.u16(); n > 0; --n)
	{
		EventBlock e;
		e.id = in.u16();
		e.name = in.text();
		for (int p = in.u16(); p > 0; --p)
		{
			std::string key = in.text();
			e.parameters.emplace_back(key, in.text());
		}
		e.startOffset = in.i64();
		e.duration = in.i64();
		s.events.push_back(e);
	}
	s.logComplete = in.flag();
	s.totalErrors = in.i32();
	for (int n = in.u16(); n > 0; --n)
	{
		ErrorBlock e;
		e.number = in.u16();
		e.time = in.i64();
		e.errorId = in.text();
		e.message = in.text();
		e.exceptionText = in.text();
		s.errors.push_back(e);
	}
	s.adRecords = in.u16();
	s.adSlotRecords = in.u16();
	if (s.adRecords || s.adSlotRecords)
		throw std::runtime_error("ad records cannot be read back");
	return s;
}

SessionBlock readSessionBlock(std::string const& bytes)
{
	Cursor in(bytes);
	SessionBlock s = readSession(in);
	if (in.left())
		throw std::runtime_error(std::to_string(in.left()) + " bytes after the session block");
	return s;
}

Report readReport(std::string const& bytes)
{
	Cursor in(bytes);
	Report r;
	r.version = in.u16();
	uint16_t request = in.u16();
	r.adRequest.push_back(request);
	if (request == 3)
	{
		r.adRequest.push_back(in.u16());
		r.adRequest.push_back(in.u16());
	}
	r.imageCacheTime = in.i64();
	r.imageIds = in.u16();
	for (int n = r.imageIds; n > 0; --n)
	{
		in.u8();
		in.i64();
	}
	r.deviceKind = in.u16();
	r.agentVersion = in.u16();
	r.time = in.i64();
	r.apiKey = in.text();
	r.appVersion = in.text();
	if (in.u16() != 3 || in.u16() != 2)
		throw std::runtime_error("identifier block");
	r.identifiers.push_back(in.shortData());
	if (in.u16() != 4)
		throw std::runtime_error("identifier 4");
	r.identifiers.push_back(in.shortData());
	if (in.u16() != 3)
		throw std::runtime_error("identifier 3");
	r.identifiers.push_back(in.text());
	r.generatedStatus = in.u8();
	r.initialTimestamp = in.i64();
	r.sessionStart = in.i64();
	for (int n = in.u16(); n > 0; --n)
	{
		std::string key = in.text();
		r.properties[key] = in.text();
	}
	for (int n = in.u16(); n > 0; --n)
		r.sessions.push_back(readSession(in));
	size_t body = in.position();
	r.checksum = in.u32();
	if (in.left())
		throw std::runtime_error(std::to_string(in.left()) + " bytes after the checksum");
	if (r.checksum != crc32(bytes.substr(0, body)))
		throw std::runtime_error("checksum does not match");
	return r;
}

} // namespace reportcheck
