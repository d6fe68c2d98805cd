#include <DataCipher.h>
#include <SaveFile.h>
#include <io/ByteArrayInputStream.h>
#include <io/ByteArrayOutputStream.h>
#include <io/detail/detail.h>
#include <lang/Ptr.h>
#include <lua/LuaState.h>
#include <lua/LuaTable.h>
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

// Saving and loading 1 MB of Lua table text through the save-file path
// (encrypt, io::AppDataOutputStream with its sync and rename,
// io::AppDataInputStream, decrypt) against the bare cipher: EVP AES-256-CBC
// encrypt and decrypt of the same text into buffers made once. The save
// folder is on /dev/shm, so that the disk's sync is not what is measured;
// the same path on the build's disk and the full round trip through
// lua::LuaTable::write and read are reported too.

namespace
{

/** A new folder below base, removed with the object. */
class Folder
{
public:
	explicit Folder(std::string const& base)
	{
		std::string pattern = base + "/bench-save-XXXXXX";
		m_path = mkdtemp(pattern.data()) ? pattern : std::string();
	}
	~Folder()
	{
		std::error_code ec;
		std::filesystem::remove_all(m_path, ec);
	}
	std::string const& path() const { return m_path; }

private:
	std::string m_path;
};

/** The host's save table shape, written as table text of about 1 MB. */
struct Text
{
	lang::Ptr<lua::LuaState> lua = new lua::LuaState();
	lua::LuaTable table{lua};
	io::ByteArrayOutputStream text;

	Text()
	{
		// About 70 bytes of text per level: 15,000 levels make 1 MB.
		for (int i = 0; i < 15000; ++i)
		{
			lua::LuaTable level(lua);
			level.setNumber("score", static_cast<float>(i * 37 % 100000));
			level.setNumber("stars", static_cast<float>(i % 4));
			level.setString("name", "level" + std::to_string(i));
			table.setTable("level" + std::to_string(i), level);
		}
		table.write(text, 0, false);
	}
};

Text& text()
{
	static Text t;
	return t;
}

void BM_CipherBaseline(benchmark::State& state)
{
	std::vector<unsigned char> const& plain = text().text.data();
	cipher::Bytes const& key = cipher::getVariableKey();
	unsigned char const iv[16] = {};
	std::vector<unsigned char> sealed(plain.size() + 16);
	std::vector<unsigned char> opened(plain.size() + 16);
	EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
	for (auto _ : state)
	{
		int n = 0, last = 0;
		EVP_EncryptInit_ex(ctx, EVP_aes_256_cbc(), nullptr, key.data(), iv);
		EVP_EncryptUpdate(ctx, sealed.data(), &n, plain.data(), static_cast<int>(plain.size()));
		EVP_EncryptFinal_ex(ctx, sealed.data() + n, &last);
		int const size = n + last;
		EVP_DecryptInit_ex(ctx, EVP_aes_256_cbc(), nullptr, key.data(), iv);
		EVP_DecryptUpdate(ctx, opened.data(), &n, sealed.data(), size);
		EVP_DecryptFinal_ex(ctx, opened.data() + n, &last);
		benchmark::DoNotOptimize(opened.data());
	}
	EVP_CIPHER_CTX_free(ctx);
	state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(plain.size()));
}
BENCHMARK(BM_CipherBaseline)->Unit(benchmark::kMillisecond);

/** Save and load through SaveFile in a folder below base. */
void saveAndLoad(benchmark::State& state, std::string const& base)
{
	Folder folder(base);
	io::detail::setAppdataPath(folder.path());
	std::vector<unsigned char> const& plain = text().text.data();
	cipher::Bytes back;
	bool deciphered = false;
	for (auto _ : state)
	{
		SaveFile::write("settings.lua", plain.data(), plain.size(), true);
		SaveFile::read("settings.lua", back, deciphered);
		benchmark::DoNotOptimize(back.data());
	}
	if (!std::equal(back.begin(), back.end(), plain.begin(), plain.end()))
		state.SkipWithError("the save did not read back");
	io::detail::setAppdataPath("");
	state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(plain.size()));
}

void BM_SaveFileRoundTrip(benchmark::State& state)
{
	saveAndLoad(state, "/dev/shm");
}
BENCHMARK(BM_SaveFileRoundTrip)->Unit(benchmark::kMillisecond);

void BM_SaveFileRoundTripOnDisk(benchmark::State& state)
{
	saveAndLoad(state, BENCH_DISK_DIR);
}
BENCHMARK(BM_SaveFileRoundTripOnDisk)->Unit(benchmark::kMillisecond);

void BM_SaveTableRoundTrip(benchmark::State& state)
{
	Folder folder("/dev/shm");
	io::detail::setAppdataPath(folder.path());
	Text& t = text();
	cipher::Bytes back;
	bool deciphered = false;
	for (auto _ : state)
	{
		io::ByteArrayOutputStream out;
		t.table.write(out, 0, false);
		SaveFile::write("settings.lua", out.data().data(), out.data().size(), true);
		SaveFile::read("settings.lua", back, deciphered);
		io::ByteArrayInputStream in(back.data(), static_cast<int>(back.size()));
		lua::LuaTable loaded(t.lua);
		loaded.read(in);
		benchmark::DoNotOptimize(loaded.size());
	}
	io::detail::setAppdataPath("");
	state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(t.text.data().size()));
}
BENCHMARK(BM_SaveTableRoundTrip)->Unit(benchmark::kMillisecond);

} // namespace
