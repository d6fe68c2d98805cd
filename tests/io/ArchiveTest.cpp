#include "ThrownMessage.h"
#include <support/LargestAllocation.h>
#include <support/TempFolder.h>
#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <io/ByteArrayInputStream.h>
#include <io/IOException.h>
#include <io/InfoZip.h>
#include <io/SevenZip.h>
#include <io/ZipFileInputStream.h>
#include <io/detail/ArchiveSource.h>
#include <io/std/FileInputStream.h>
#include <lang/Exception.h>
#include <atomic>
#include <climits>
#include <locale.h>
#include <minizip/zip.h>
#include <zlib.h>
#include <map>
#include <memory>
#include <random>
#include <set>

using test::TempFolder;

namespace
{

struct Entry
{
	std::string name;
	std::string data;
};

const char* const NON_ASCII = "lev\xC3\xA9l-\xE2\x82\xAC.lua"; // "levél-€.lua" in UTF-8

/** The files of both fixtures, in archive order (the folder "dir/" sits between them). */
std::vector<Entry> fixtureFiles()
{
	std::string big;
	for (int i = 0; i < 10000; ++i)
		big += static_cast<char>('a' + (i * 7 + i / 13) % 26);
	return {{"a.txt", "first entry"}, {"empty.bin", ""}, {"dir/b.bin", big}, {NON_ASCII, "return 1"}};
}

std::string makeZip(TempFolder const& dir)
{
	std::string path = dir / "fixture.zip";
	zipFile z = zipOpen(path.c_str(), 0);
	EXPECT_TRUE(z);
	auto add = [&](std::string const& name, std::string const& data) {
		zip_fileinfo info = {};
		EXPECT_EQ(ZIP_OK, zipOpenNewFileInZip(z, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 6));
		if (!data.empty())
		{
			EXPECT_EQ(ZIP_OK, zipWriteInFileInZip(z, data.data(), static_cast<unsigned>(data.size())));
		}
		EXPECT_EQ(ZIP_OK, zipCloseFileInZip(z));
	};
	std::vector<Entry> files = fixtureFiles();
	add(files[0].name, files[0].data);
	add(files[1].name, files[1].data);
	add("dir/", "");
	add(files[2].name, files[2].data);
	add(files[3].name, files[3].data);
	EXPECT_EQ(ZIP_OK, zipClose(z, nullptr));
	return dir.read("fixture.zip");
}

/** The fixture files as a 7z archive; compression is a writer option value ("" for the default). */
std::string make7z(std::string const& compression = "")
{
	// The writer turns names into UTF-16 through the thread's character set.
	locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
	locale_t old = uselocale(utf8);
	std::vector<char> out(1 << 20);
	size_t used = 0;
	archive* a = archive_write_new();
	archive_write_set_format_7zip(a);
	if (!compression.empty())
	{
		EXPECT_EQ(ARCHIVE_OK, archive_write_set_format_option(a, "7zip", "compression", compression.c_str()));
	}
	EXPECT_EQ(ARCHIVE_OK, archive_write_open_memory(a, out.data(), out.size(), &used));
	auto add = [&](std::string const& name, std::string const& data, bool folder) {
		archive_entry* e = archive_entry_new();
		archive_entry_set_pathname(e, name.c_str());
		archive_entry_set_filetype(e, folder ? AE_IFDIR : AE_IFREG);
		archive_entry_set_perm(e, 0644);
		archive_entry_set_size(e, static_cast<la_int64_t>(data.size()));
		EXPECT_EQ(ARCHIVE_OK, archive_write_header(a, e));
		if (!data.empty())
		{
			EXPECT_EQ(static_cast<la_ssize_t>(data.size()), archive_write_data(a, data.data(), data.size()));
		}
		archive_entry_free(e);
	};
	std::vector<Entry> files = fixtureFiles();
	add(files[0].name, files[0].data, false);
	add(files[1].name, files[1].data, false);
	add("dir", "", true);
	add(files[2].name, files[2].data, false);
	add(files[3].name, files[3].data, false);
	EXPECT_EQ(ARCHIVE_OK, archive_write_close(a));
	archive_write_free(a);
	uselocale(old);
	freelocale(utf8);
	return std::string(out.data(), used);
}

std::string const& zipFixture()
{
	static TempFolder dir;
	static std::string zip = makeZip(dir);
	return zip;
}

std::string const& sevenZipFixture()
{
	static std::string sz = make7z();
	return sz;
}

std::string contents(lang::Ptr<io::InputStream> stream)
{
	io::InputStream& in = *stream;
	std::string s(static_cast<size_t>(in.available()), 0);
	EXPECT_EQ(static_cast<int>(s.size()), in.read(s.data(), static_cast<int>(s.size())));
	return s;
}

/** A memory stream whose reads fail after `limit` bytes. */
class FailingStream : public io::ByteArrayInputStream
{
public:
	FailingStream(std::string const& s, int limit) : io::ByteArrayInputStream(s.data(), static_cast<int>(s.size())), m_limit(limit) {}

	int read(void* data, int count) override
	{
		if (size() - available() + count > m_limit)
			lang::throwError(io::IOException(lang::Format("disk gone")));
		return ByteArrayInputStream::read(data, count);
	}

private:
	int m_limit;
};

/** A memory stream that hands out at most 7 bytes per read, as a pipe or a decoding stream may. */
class TrickleStream : public io::ByteArrayInputStream
{
public:
	explicit TrickleStream(std::string const& s) : io::ByteArrayInputStream(s.data(), static_cast<int>(s.size())) {}

	int read(void* data, int count) override { return ByteArrayInputStream::read(data, std::min(count, 7)); }
};

class Archive : public ::testing::TestWithParam<io::ZipFileInputStream::FileFormat>
{
protected:
	std::string const& fixture() const { return GetParam() == io::ZipFileInputStream::ZIPFORMAT_7Z ? sevenZipFixture() : zipFixture(); }
};

} // namespace

TEST_P(Archive, listsAndExtractsFiles)
{
	// The 7z writer stores empty files after the others, so compare by name.
	std::map<std::string, std::string> files;
	for (Entry const& e : fixtureFiles())
		files[e.name] = e.data;
	io::ByteArrayInputStream in(fixture().data(), static_cast<int>(fixture().size()));
	io::ZipFileInputStream zip(in, GetParam());
	ASSERT_EQ(4, zip.size());
	std::set<std::string> names;
	for (int i = 0; i < 4; ++i)
		names.insert(zip.getEntryName(i));
	EXPECT_EQ(4u, names.size());
	for (auto const& f : files)
		EXPECT_EQ(1u, names.count(f.first)) << f.first;
	// Any order, and the same entry twice.
	for (int i : {3, 0, 2, 1, 2})
	{
		std::string name = zip.getEntryName(i);
		lang::Ptr<io::InputStream> entry = zip.getEntryStream(i);
		EXPECT_TRUE(files[name] == contents(entry)) << name;
		EXPECT_EQ(name, entry->toString());
	}
	EXPECT_EQ("Entry index out of bounds! (index: 4, size: 4)", message([&] { lang::Ptr<io::InputStream> entry = zip.getEntryStream(4); }));
	EXPECT_EQ("Entry index out of bounds! (index: -1, size: 4)", message([&] { zip.getEntryName(-1); }));
}

TEST_P(Archive, readsFromAFile)
{
	TempFolder dir;
	dir.write("x.arc", fixture());
	io::FileInputStream in(dir / "x.arc");
	io::ZipFileInputStream zip(in, GetParam());
	int found = 0;
	for (int i = 0; i < zip.size(); ++i)
	{
		if (zip.getEntryName(i) == "dir/b.bin")
		{
			++found;
			EXPECT_TRUE(fixtureFiles()[2].data == contents(zip.getEntryStream(i)));
		}
	}
	EXPECT_EQ(1, found);
}

TEST_P(Archive, readsFromAStreamOfShortReads)
{
	TrickleStream in(fixture());
	io::ZipFileInputStream zip(in, GetParam());
	ASSERT_EQ(4, zip.size());
	for (int i = 0; i < zip.size(); ++i)
	{
		if (zip.getEntryName(i) == "dir/b.bin")
		{
			EXPECT_TRUE(fixtureFiles()[2].data == contents(zip.getEntryStream(i)));
		}
	}
}

TEST_P(Archive, rejectsWhatIsNotAnArchive)
{
	std::string text(3000, 'x');
	for (int size : {0, 3, 3000})
	{
		io::ByteArrayInputStream in(text.data(), size);
		EXPECT_EQ(0u, message([&] { io::ZipFileInputStream zip(in, GetParam()); }).find("Error opening 7zip file. Error ")) << size;
	}
}

TEST_P(Archive, streamFailuresPassThroughTheDecoder)
{
	std::string const& data = fixture();
	for (int limit : {0, 10, static_cast<int>(data.size()) / 2, static_cast<int>(data.size()) - 10})
	{
		FailingStream in(data, limit);
		std::string msg = message([&] {
			io::ZipFileInputStream zip(in, GetParam());
			for (int i = 0; i < zip.size(); ++i)
				lang::Ptr<io::InputStream> entry = zip.getEntryStream(i);
		});
		EXPECT_TRUE(msg == "disk gone" || msg.find("Error opening") == 0) << limit << ": " << msg;
	}
}

// An entry over the caller's limit: refused by its declared size before
// extraction, and by the back end while extracting whatever was declared.
TEST_P(Archive, entriesOverTheCallersLimitAreRefused)
{
	io::ByteArrayInputStream in(fixture().data(), static_cast<int>(fixture().size()));
	io::ZipFileInputStream zip(in, GetParam());
	int largest = -1;
	for (int i = 0; i < zip.size(); ++i)
	{
		if (largest < 0 || zip.getEntrySize(i) > zip.getEntrySize(largest))
			largest = i;
	}
	ASSERT_GE(largest, 0);
	long long const size = zip.getEntrySize(largest);
	ASSERT_GT(size, 1);
	std::string const name = zip.getEntryName(largest);
	EXPECT_EQ(size, static_cast<long long>(contents(zip.getEntryStream(largest, static_cast<size_t>(size))).size()));
	EXPECT_EQ("Failed to extract " + name + " from ByteArrayInputStream: it unpacks to " + std::to_string(size) +
			" bytes, more than the limit of " + std::to_string(size - 1) + " bytes",
		message([&] { zip.getEntryStream(largest, static_cast<size_t>(size - 1)); }));

	// The back end alone, as when the declared size understates the entry.
	io::ByteArrayInputStream raw(fixture().data(), static_cast<int>(fixture().size()));
	std::unique_ptr<io::ZipFile> back;
	if (GetParam() == io::ZipFileInputStream::ZIPFORMAT_7Z)
		back.reset(new io::ZipFile7Zip);
	else
		back.reset(new io::ZipFileInfoZip);
	std::vector<std::string> names;
	std::vector<long long> sizes;
	ASSERT_EQ(0, back->open(raw));
	ASSERT_EQ(0, back->readHeader(names, sizes));
	std::vector<char> bytes;
	EXPECT_EQ(io::ZipFile::ENTRY_TOO_LARGE, back->extract(largest, bytes, static_cast<size_t>(size - 1)));
	EXPECT_TRUE(bytes.empty());
	EXPECT_EQ(0, back->extract(largest, bytes, static_cast<size_t>(size)));
	EXPECT_EQ(static_cast<size_t>(size), bytes.size());
}

TEST_P(Archive, damagedArchivesReadCorrectlyOrThrow)
{
	std::string const& good = fixture();
	std::map<std::string, std::string> files;
	for (Entry const& e : fixtureFiles())
		files[e.name] = e.data;
	std::vector<std::string> names;
	{
		io::ByteArrayInputStream in(good.data(), static_cast<int>(good.size()));
		io::ZipFileInputStream zip(in, GetParam());
		for (int i = 0; i < zip.size(); ++i)
			names.push_back(zip.getEntryName(i));
	}
	int thrown = 0;
	auto attempt = [&](std::string const& data) {
		io::ByteArrayInputStream in(data.data(), static_cast<int>(data.size()));
		try
		{
			io::ZipFileInputStream zip(in, GetParam());
			bool same = zip.size() == static_cast<int>(names.size());
			for (int i = 0; i < zip.size(); ++i)
			{
				same = same && zip.getEntryName(i) == names[static_cast<size_t>(i)];
				std::string got = contents(zip.getEntryStream(i));
				if (same)
				{
					EXPECT_TRUE(files[names[static_cast<size_t>(i)]] == got) << "entry " << i;
				}
			}
		}
		catch (lang::Exception const&)
		{
			++thrown;
		}
	};
	for (size_t n = 0; n < good.size(); ++n)
	{
		int before = thrown;
		attempt(good.substr(0, n));
		EXPECT_EQ(before + 1, thrown) << "prefix of " << n << " bytes of " << good.size();
	}

	std::mt19937 rng(12345);
	for (int i = 0; i < 400; ++i)
	{
		std::string bad = good;
		size_t at = rng() % bad.size();
		bad[at] = static_cast<char>(bad[at] ^ (1 << (rng() % 8)));
		SCOPED_TRACE(at);
		attempt(bad);
	}
}

INSTANTIATE_TEST_SUITE_P(Formats, Archive, ::testing::Values(io::ZipFileInputStream::ZIPFORMAT_7Z, io::ZipFileInputStream::ZIPFORMAT_ZIP),
                         [](auto const& info) { return info.param == io::ZipFileInputStream::ZIPFORMAT_7Z ? "SevenZip" : "Zip"; });

TEST(ArchiveSource, seeksFromArchiveDataStayInside)
{
	// Offsets come from the archive and may be anything, far beyond the
	// range of a sum with the position.
	struct Case
	{
		long long offset;
		int origin;
		bool ok;
		long long position;
	};
	const Case cases[] = {
		{4, 0, true, 4},           {LLONG_MAX, 1, false, 4}, {LLONG_MIN, 1, false, 4}, {-4, 1, true, 0},
		{LLONG_MIN, 2, false, 0},  {-10, 2, true, 0},        {1, 2, false, 0},         {0, 2, true, 10},
		{-11, 1, false, 10},       {-1, 0, false, 10},       {3, 7, false, 10},
	};
	std::string data(10, 'x');
	io::ByteArrayInputStream in(data.data(), 10);
	io::detail::ArchiveSource src;
	src.stream = &in;
	src.size = 10;
	for (Case const& c : cases)
	{
		EXPECT_EQ(c.ok, src.seek(c.offset, c.origin)) << c.offset << " from " << c.origin;
		EXPECT_EQ(c.position, src.position) << c.offset << " from " << c.origin;
		EXPECT_EQ(10 - c.position, in.available());
	}
}

namespace
{

/** Little-endian bytes of v. */
std::string le(std::uint64_t v, int bytes)
{
	std::string s;
	for (int i = 0; i < bytes; ++i)
		s += static_cast<char>((v >> (8 * i)) & 0xFF);
	return s;
}

/** A 7z number in its longest form: 0xFF and eight bytes. */
std::string num(std::uint64_t v)
{
	return "\xFF" + le(v, 8);
}

std::uint32_t crcOf(std::string const& s)
{
	return static_cast<std::uint32_t>(crc32(0, reinterpret_cast<Bytef const*>(s.data()), static_cast<uInt>(s.size())));
}

/** A 7z archive: signature header with valid checksums, the packed bytes, then the header (or the sizes given). */
std::string sevenZip(std::string const& packed, std::string const& header, std::uint64_t headerSize = ~0ull)
{
	std::string const tail = le(packed.size(), 8) + le(headerSize == ~0ull ? header.size() : headerSize, 8) + le(crcOf(header), 4);
	return std::string("7z\xBC\xAF\x27\x1C\x00\x04", 8) + le(crcOf(tail), 4) + tail + packed + header;
}

/** An encoded header: one packed stream of packedSize bytes at 0, one folder with one coder. */
std::string encodedHeader(std::uint64_t packPos, std::uint64_t packedSize, std::string const& coder, std::uint64_t unpackSize)
{
	return std::string("\x17\x06", 2) + num(packPos) + num(1) + "\x09" + num(packedSize) + std::string("\x00", 1) +
		"\x07\x0B" + num(1) + std::string("\x00", 1) + num(1) + coder + "\x0C" + num(unpackSize) + std::string("\x00\x00", 2);
}

/** An LZMA coder description with the given dictionary size. */
std::string lzmaCoder(std::uint32_t dictionary)
{
	return std::string("\x23\x03\x01\x01\x05\x5D", 6) + le(dictionary, 4);
}

} // namespace

TEST(SevenZipBounds, archivesOfEveryCompressionOpen)
{
	for (char const* compression : {"store", "deflate", "bzip2", "lzma1", "lzma2", "ppmd"})
	{
		std::string const archive = make7z(compression);
		io::ByteArrayInputStream in(archive.data(), static_cast<int>(archive.size()));
		io::ZipFileInputStream zip(in, io::ZipFileInputStream::ZIPFORMAT_7Z);
		ASSERT_EQ(4, zip.size()) << compression;
		Entry const big = fixtureFiles()[2];
		int found = 0;
		for (int i = 0; i < zip.size(); ++i)
		{
			if (zip.getEntryName(i) == big.name)
			{
				++found;
				EXPECT_TRUE(contents(zip.getEntryStream(i)) == big.data) << compression;
			}
		}
		EXPECT_EQ(1, found) << compression;
	}
}

TEST(SevenZipBounds, headersClaimingMoreThanTheArchiveHoldsAreRefusedBeforeDecoding)
{
	std::string const packed(300, '\x5A');
	struct Case
	{
		char const* label;
		std::string archive;
	} const cases[] = {
		{"header of 14 GB", sevenZip("", std::string(8, '\x01'), 14ull << 30)},
		{"header past the end", sevenZip("", "", 40)},
		{"encoded header decoding to 8 GB", sevenZip(packed, encodedHeader(0, packed.size(), lzmaCoder(1 << 20), 8ull << 30))},
		{"encoded header decoding to 17 MiB", sevenZip(packed, encodedHeader(0, packed.size(), lzmaCoder(1 << 20), 17 << 20))},
		{"LZMA dictionary of 4 GB", sevenZip(packed, encodedHeader(0, packed.size(), lzmaCoder(0xFFFFFFFFu), 1000))},
		{"packed stream past the end", sevenZip(packed, encodedHeader(100, packed.size(), lzmaCoder(1 << 20), 1000))},
		{"100 million files", sevenZip("", std::string("\x01\x05", 2) + num(99999999) + std::string("\x00\x00", 2))},
		{"100 million folders", sevenZip("", std::string("\x01\x04\x07\x0B", 4) + num(99999999) + std::string(20, '\x00'))},
		{"a billion sub-streams", sevenZip(std::string(10, 'x'), std::string("\x01\x04\x06", 3) + num(0) + num(1) + "\x09" + num(10) +
			std::string("\x00\x07\x0B", 3) + num(1) + std::string("\x00", 1) + num(1) + std::string("\x01\x00\x0C", 3) + num(10) +
			std::string("\x00\x08\x0D", 3) + num(1000000000) + std::string("\x0A\x01\x00\x00\x00", 5))},
	};
	for (Case const& c : cases)
	{
		io::ByteArrayInputStream in(c.archive.data(), static_cast<int>(c.archive.size()));
		test::LargestAllocation largest;
		EXPECT_EQ(message([&] { io::ZipFileInputStream zip(in, io::ZipFileInputStream::ZIPFORMAT_7Z); }),
			"Error opening 7zip file. Error -30") << c.label;
		EXPECT_LT(largest.bytes(), 1u << 20) << c.label;
	}
}

TEST(SevenZipBounds, entriesBeyondTheLimitFailToExtract)
{
	// 257 MiB of zeros deflate to about 260 KB. (The decoder library fails to
	// read an entry that follows a large one in the same solid block, so the
	// small entry comes first.)
	std::vector<char> out(1 << 20);
	size_t used = 0;
	archive* a = archive_write_new();
	archive_write_set_format_7zip(a);
	EXPECT_EQ(ARCHIVE_OK, archive_write_set_format_option(a, "7zip", "compression", "deflate"));
	EXPECT_EQ(ARCHIVE_OK, archive_write_open_memory(a, out.data(), out.size(), &used));
	std::string const chunk(1 << 20, '\0');
	for (auto const& [name, megabytes] : {std::pair<char const*, int>{"small.txt", 0}, {"big.bin", 257}})
	{
		archive_entry* e = archive_entry_new();
		archive_entry_set_pathname(e, name);
		archive_entry_set_filetype(e, AE_IFREG);
		archive_entry_set_size(e, megabytes ? static_cast<la_int64_t>(megabytes) << 20 : 5);
		EXPECT_EQ(ARCHIVE_OK, archive_write_header(a, e));
		for (int i = 0; i < megabytes; ++i)
			archive_write_data(a, chunk.data(), chunk.size());
		if (!megabytes)
			archive_write_data(a, "small", 5);
		archive_entry_free(e);
	}
	EXPECT_EQ(ARCHIVE_OK, archive_write_close(a));
	archive_write_free(a);

	io::ByteArrayInputStream in(out.data(), static_cast<int>(used));
	io::ZipFileInputStream zip(in, io::ZipFileInputStream::ZIPFORMAT_7Z);
	ASSERT_EQ(2, zip.size());
	EXPECT_EQ("small", contents(zip.getEntryStream(0)));
	EXPECT_EQ(0u, message([&] { zip.getEntryStream(1); }).find("Failed to extract big.bin from ")) << used;
}
