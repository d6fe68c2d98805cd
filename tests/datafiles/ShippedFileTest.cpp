// Reading shipped files: the game logic, tables and levels, and every kind
// of damage to them.
#include <support/DataFiles.h>
#include <support/HostFixture.h>
#include <support/LargestAllocation.h>
#include <ShippedFile.h>
#include <datapack/DataPack.h>
#include <host/Levels.h>
#include <lang/Throwable.h>
#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <filesystem>
#include <random>
#include <unistd.h>

namespace
{

class ShippedFileTest : public test::HostFixture
{
protected:
	/** Writes raw bytes as bundle file name. */
	void writeRaw(std::string const& name, cipher::Bytes const& bytes)
	{
		bundle.write(name, std::string(bytes.begin(), bytes.end()));
	}

	/** The message of ShippedFile::read(name)'s exception; "" when it reads. */
	std::string readFailure(std::string const& name)
	{
		try
		{
			ShippedFile::read(name);
		}
		catch (lang::Throwable const& e)
		{
			return e.getMessage().format();
		}
		return "";
	}
};

using ShippedFile_Read = ShippedFileTest;
using ShippedFile_Host = ShippedFileTest;

/** A 7z archive without any entry. */
cipher::Bytes emptyArchive()
{
	cipher::Bytes out(4096);
	size_t used = 0;
	archive* a = archive_write_new();
	archive_write_set_format_7zip(a);
	archive_write_open_memory(a, out.data(), out.size(), &used);
	archive_write_close(a);
	archive_write_free(a);
	out.resize(used);
	return out;
}

cipher::Bytes encrypted(cipher::Bytes const& key, cipher::Bytes const& plain)
{
	cipher::Bytes out;
	EXPECT_TRUE(cipher::encrypt(key, plain, out));
	return out;
}

TEST_F(ShippedFile_Read, DamageRaisesAnExceptionNamingTheFile)
{
	std::string const text = "a = 1\n";
	cipher::Bytes const good = datapack::packShippedFile("t.lua", text);
	cipher::Bytes const archive = datapack::packArchive("t.lua", text);
	struct Case
	{
		char const* what;
		cipher::Bytes bytes;
		char const* fault;
	};
	Case const cases[] = {
		{"truncated", cipher::Bytes(good.begin(), good.end() - 5), "does not decrypt"},
		{"empty file", {}, "does not decrypt"},
		{"last byte flipped", [&] { cipher::Bytes b = good; b.back() ^= 0x40; return b; }(), "does not decrypt"},
		{"wrong key", encrypted(cipher::getVariableKey(), archive), "does not decrypt"},
		{"plain archive", archive, "does not decrypt"},
		{"not an archive", encrypted(cipher::getStaticKey(), cipher::Bytes(text.begin(), text.end())), "Error opening 7zip file"},
		{"empty archive", encrypted(cipher::getStaticKey(), emptyArchive()), "the archive holds no entry"},
	};
	for (Case const& c : cases)
	{
		writeRaw("t.lua", c.bytes);
		std::string const message = readFailure("t.lua");
		EXPECT_EQ(0u, message.find("Failed to read " + (bundle / "t.lua") + ": ")) << c.what << ": " << message;
		EXPECT_NE(std::string::npos, message.find(c.fault)) << c.what << ": " << message;
	}
	writeRaw("t.lua", good);
	EXPECT_EQ(text, ShippedFile::read("t.lua"));
	EXPECT_NE(std::string::npos, readFailure("missing.lua").find("missing.lua"));
}

TEST_F(ShippedFile_Read, FileOverTheCapIsRefusedUnread)
{
	// Sparse: refused by its size, so the test reads nothing of it.
	std::filesystem::path const file = bundle / "huge.lua";
	bundle.write("huge.lua", "");
	std::filesystem::resize_file(file, (std::uintmax_t(1) << 40));
	EXPECT_NE(std::string::npos, readFailure("huge.lua").find("larger than 64 MiB"));
	std::filesystem::resize_file(file, (std::uintmax_t(64) << 20) + 1);
	EXPECT_NE(std::string::npos, readFailure("huge.lua").find("larger than 64 MiB"));
}

/** A 7z archive of one entry name of size bytes of zeros, deflated (65 MiB take about 65 KB). */
cipher::Bytes zerosArchive(char const* name, size_t size)
{
	cipher::Bytes out(size / 256 + 65536);
	size_t used = 0;
	archive* a = archive_write_new();
	archive_write_set_format_7zip(a);
	EXPECT_EQ(ARCHIVE_OK, archive_write_set_format_option(a, "7zip", "compression", "deflate"));
	EXPECT_EQ(ARCHIVE_OK, archive_write_open_memory(a, out.data(), out.size(), &used));
	archive_entry* e = archive_entry_new();
	archive_entry_set_pathname(e, name);
	archive_entry_set_filetype(e, AE_IFREG);
	archive_entry_set_size(e, static_cast<la_int64_t>(size));
	EXPECT_EQ(ARCHIVE_OK, archive_write_header(a, e));
	std::string const chunk(1 << 20, '\0');
	for (size_t done = 0; done < size; done += chunk.size())
		archive_write_data(a, chunk.data(), std::min(chunk.size(), size - done));
	archive_entry_free(e);
	EXPECT_EQ(ARCHIVE_OK, archive_write_close(a));
	archive_write_free(a);
	out.resize(used);
	return out;
}

// A small file whose entry unpacks to more than the file cap is refused by
// the size the archive declares, before anything is unpacked.
TEST_F(ShippedFile_Read, EntryOverTheCapIsRefusedByItsDeclaredSize)
{
	size_t const size = (size_t(65) << 20);
	writeRaw("bomb.lua", encrypted(cipher::getStaticKey(), zerosArchive("bomb.lua", size)));
	EXPECT_LT(std::filesystem::file_size(bundle / "bomb.lua"), 1u << 20);
	test::LargestAllocation largest;
	std::string const message = readFailure("bomb.lua");
	EXPECT_EQ("Failed to read " + (bundle / "bomb.lua") + ": Failed to extract bomb.lua from " + (bundle / "bomb.lua") +
			": it unpacks to 68157440 bytes, more than the limit of 64 MiB",
		message);
	EXPECT_LT(largest.bytes(), size_t(4) << 20);
}

TEST_F(ShippedFile_Host, LoadLuaFileInItsThreeModes)
{
	test::writeShippedFile(bundle, "tables.lua", "limit = 3\nnames = { 'a', 'b' }\n");
	host().levels().loadLuaFile("tables.lua", "");
	host().levels().loadLuaFile("tables.lua", "starTable");
	host().levels().loadLuaFile("tables.lua", "wood", true, false);
	run("ok = limit == 3 and names[2] == 'b' and starTable.limit == 3 and blockTable.wood.names[1] == 'a'"
		" and wood == nil");
	EXPECT_TRUE(host().getBoolean("ok"));
	EXPECT_TRUE(host().levels().failedFiles().empty());

	// A file failing half way changes no entry and is recorded.
	test::writeShippedFile(bundle, "broken.lua", "limit = 4\nerror('half way')\n");
	testing::internal::CaptureStdout();
	host().levels().loadLuaFile("broken.lua", "starTable");
	host().levels().loadLuaFile("missing.lua", "starTable");
	std::string const log = testing::internal::GetCapturedStdout();
	run("ok = starTable.limit == 3");
	EXPECT_TRUE(host().getBoolean("ok"));
	EXPECT_EQ((std::vector<std::string>{"broken.lua", "missing.lua"}), host().levels().failedFiles());
	EXPECT_NE(std::string::npos, log.find("Failed to load broken.lua: ")) << log;
}

TEST_F(ShippedFile_Host, CompileRunsTheLogicThenUpdateValues)
{
	test::writeShippedFile(bundle, "logic.lua", "order = 'ran'\nfunction updateValues() order = order .. ',updated' end\n");
	host().levels().compile("logic.lua");
	EXPECT_TRUE(host().levels().isCompiled());
	EXPECT_EQ("ran,updated", host().getString("order"));

	test::writeShippedFile(bundle, "bad.lua", "function f( end\n");
	testing::internal::CaptureStdout();
	host().levels().compile("bad.lua");
	std::string const log = testing::internal::GetCapturedStdout();
	EXPECT_NE(std::string::npos, log.find("Error while compiling Lua: ")) << log;
	EXPECT_EQ(std::vector<std::string>{"bad.lua"}, host().levels().failedFiles());
}

TEST_F(ShippedFile_Host, PrecompiledLogicIsNotLoaded)
{
	test::writeShippedFile(bundle, "dumped.lua", std::string("\x1bLua\x51\x00", 6) + "rest");
	testing::internal::CaptureStdout();
	host().levels().compile("dumped.lua");
	std::string const log = testing::internal::GetCapturedStdout();
	EXPECT_FALSE(host().levels().isCompiled());
	EXPECT_NE(std::string::npos, log.find("precompiled")) << log;
}

} // namespace
