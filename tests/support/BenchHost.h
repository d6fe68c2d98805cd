#pragma once

#include <support/FakeContext.h>
#include <support/IdleApp.h>
#include <support/RecordingOS.h>
#include <GameLua.h>
#include <game/Resources.h>
#include <io/ByteArrayInputStream.h>
#include <io/detail/detail.h>
#include <lang/Ptr.h>
#include <lua/LuaState.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace test
{

/** Seconds that f takes (a part of a benchmark run timed on its own, say to interleave two). */
template <class F>
double timed(F const& f)
{
	auto start = std::chrono::steady_clock::now();
	f();
	return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

/** A script host for benchmarks, on a scratch app-data folder (its saves go there and are removed). */
struct BenchHost
{
	std::string saves;
	RecordingOS os;
	IdleApp app{&os};
	lang::Ptr<FakeContext> context = new FakeContext();
	lang::Ptr<lua::LuaState> lua = new lua::LuaState();
	lang::Ptr<game::Resources> resources = new game::Resources(context);
	lang::Ptr<GameLua> host;

	BenchHost()
	{
		std::string pattern = (std::filesystem::temp_directory_path() / "host-bench-XXXXXX").string();
		saves = mkdtemp(pattern.data()) ? pattern : "";
		io::detail::setAppdataPath(saves);
		host = new GameLua(&app, resources, lua, context);
	}

	~BenchHost()
	{
		host = nullptr;
		io::detail::setAppdataPath("");
		std::error_code ec;
		std::filesystem::remove_all(saves, ec);
	}

	/** Runs code with the host table as environment. */
	void run(std::string const& code)
	{
		io::ByteArrayInputStream in(code.data(), static_cast<int>(code.size()));
		lua->compile(in, "bench", host);
	}
};

} // test
