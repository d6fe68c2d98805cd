// datapack: packs Lua text into a shipped data file and back.
//
//   datapack pack <text> <out>     <out> = encrypted 7z of <text>, entry named
//                                  by <out>'s base name
//   datapack unpack <in> <text>    <text> = the Lua text of shipped file <in>
//
// A failure prints a message naming the file and exits with status 1 (2 for
// wrong usage); the output file is then left as it was.
#include <toolargs/ToolArguments.h>
#include <datapack/DataPack.h>
#include <FileBytes.h>
#include <ShippedFile.h>
#include <lang/Throwable.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace
{

struct Failure
{
	std::string message;
};

cipher::Bytes readFile(std::string const& path)
{
	std::ifstream in(path, std::ios::binary);
	if (!in)
		throw Failure{"cannot open " + path + ": " + std::strerror(errno)};
	std::error_code ec;
	auto size = std::filesystem::file_size(path, ec);
	if (!ec && size > MAX_DATA_FILE_SIZE)
		throw Failure{path + " is larger than 64 MiB"};
	cipher::Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
	if (in.bad())
		throw Failure{"cannot read " + path};
	if (bytes.size() > MAX_DATA_FILE_SIZE)
		throw Failure{path + " is larger than 64 MiB"};
	return bytes;
}

/** Writes next to path and renames over it, so a failure leaves path as it was. */
void writeFile(std::string const& path, void const* data, size_t size)
{
	std::string const tmp = path + ".tmp";
	{
		std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
		if (out)
			out.write(static_cast<char const*>(data), static_cast<std::streamsize>(size));
		out.close();
		if (!out)
		{
			std::remove(tmp.c_str());
			throw Failure{"cannot write " + path};
		}
	}
	if (std::rename(tmp.c_str(), path.c_str()) != 0)
	{
		std::remove(tmp.c_str());
		throw Failure{"cannot write " + path + ": " + std::strerror(errno)};
	}
}

} // namespace

int main(int argc, char** argv)
{
	char const* const usage = "usage: datapack pack <text> <out>\n"
		"       datapack unpack <in> <text>\n"
		"  pack: <out> becomes the shipped form of the Lua text <text>;\n"
		"  unpack: <text> becomes the Lua text of the shipped file <in>.\n";
	int const status = toolargs::checkArguments(argc, argv, 3, 3, usage);
	if (status >= 0)
		return status;
	std::string const command = argv[1];
	if (command != "pack" && command != "unpack")
	{
		std::fprintf(stderr, "datapack: unknown command \"%s\"\n%s", command.c_str(), usage);
		return 2;
	}
	std::string const in = argv[2];
	std::string const out = argv[3];
	try
	{
		cipher::Bytes const bytes = readFile(in);
		if (command == "pack")
		{
			std::string const name = std::filesystem::path(out).filename().string();
			cipher::Bytes const packed = datapack::packShippedFile(name, std::string(bytes.begin(), bytes.end()));
			writeFile(out, packed.data(), packed.size());
		}
		else
		{
			std::string const text = ShippedFile::unpack(bytes, in);
			writeFile(out, text.data(), text.size());
		}
	}
	catch (Failure const& f)
	{
		std::fprintf(stderr, "datapack: %s\n", f.message.c_str());
		return 1;
	}
	catch (lang::Throwable const& e)
	{
		std::fprintf(stderr, "datapack: %s\n", e.getMessage().format().c_str());
		return 1;
	}
	return 0;
}
