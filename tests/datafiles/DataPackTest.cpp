// Packing Lua text into shipped files: the library and the datapack tool.
#include <support/TempFolder.h>
#include <datapack/DataPack.h>
#include <ShippedFile.h>
#include <io/ByteArrayInputStream.h>
#include <io/ZipFileInputStream.h>
#include <lang/Throwable.h>
#include <gtest/gtest.h>
#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace
{

std::string const s_level = "filename = \"dune.lua\"\nworld = { a = { x = 1, y = 2 } }\n";

TEST(DataPack, RoundTripIsDeterministic)
{
	for (std::string const& text : {s_level, std::string(), std::string("\0\x01\xff bytes", 9), std::string(200000, 'z')})
	{
		cipher::Bytes const a = datapack::packShippedFile("dune.lua", text);
		cipher::Bytes const b = datapack::packShippedFile("dune.lua", text);
		EXPECT_EQ(a, b);
		EXPECT_EQ(0u, a.size() % 16);
		EXPECT_EQ(text, ShippedFile::unpack(a, "dune.lua"));
	}
}

TEST(DataPack, ArchiveHoldsOneEntryNamedAfterTheFile)
{
	cipher::Bytes const archive = datapack::packArchive("dune.lua", s_level);
	io::ByteArrayInputStream in(archive.data(), static_cast<int>(archive.size()));
	io::ZipFileInputStream zip(in, io::ZipFileInputStream::ZIPFORMAT_7Z);
	ASSERT_EQ(1, zip.size());
	EXPECT_EQ("dune.lua", zip.getEntryName(0));
}

/** Runs command; returns its output (both streams) and sets status. */
std::string run(std::string const& command, int& status)
{
	std::string out;
	FILE* pipe = popen((command + " 2>&1").c_str(), "r");
	char buf[1024];
	size_t n;
	while (pipe && (n = fread(buf, 1, sizeof(buf), pipe)) > 0)
		out.append(buf, n);
	int const raw = pipe ? pclose(pipe) : -1;
	status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
	return out;
}

TEST(DataPack, ToolPacksAndUnpacks)
{
	test::TempFolder dir;
	dir.write("dune.lua", s_level);
	std::string const tool = DATAPACK_PROGRAM;
	int status = -1;
	run(tool + " pack " + (dir / "dune.lua") + " " + (dir / "packed.lua"), status);
	ASSERT_EQ(0, status);
	std::string const packed = dir.read("packed.lua");
	EXPECT_EQ(s_level, ShippedFile::unpack(cipher::Bytes(packed.begin(), packed.end()), "packed.lua"));
	run(tool + " unpack " + (dir / "packed.lua") + " " + (dir / "back.lua"), status);
	ASSERT_EQ(0, status);
	EXPECT_EQ(s_level, dir.read("back.lua"));

	// Failures name the file and leave the output as it was.
	dir.write("out.lua", "old");
	std::string out = run(tool + " unpack " + (dir / "dune.lua") + " " + (dir / "out.lua"), status);
	EXPECT_EQ(1, status);
	EXPECT_NE(std::string::npos, out.find(dir / "dune.lua")) << out;
	EXPECT_EQ("old", dir.read("out.lua"));
	out = run(tool + " pack " + (dir / "missing.lua") + " " + (dir / "out.lua"), status);
	EXPECT_EQ(1, status);
	EXPECT_NE(std::string::npos, out.find(dir / "missing.lua")) << out;
	run(tool + " pack " + (dir / "dune.lua"), status);
	EXPECT_EQ(2, status);
}

} // namespace
