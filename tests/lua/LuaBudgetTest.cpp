#include "LuaFixture.h"
#include <lua/LuaBudget.h>
#include <chrono>
#include <ctime>

namespace
{

using LuaBudgetTest = LuaFixture;

} // namespace

// Each bound stops a loop on its own, the others far away; once the budget
// goes, the same code runs unbounded again.
TEST_F(LuaBudgetTest, InstructionMemoryAndTimeBoundsEachStopALoop)
{
	{
		lua::LuaBudget budget(&lua, 1000000, size_t(1) << 30, std::chrono::hours(1));
		EXPECT_NE("", failure("while true do end"));
		EXPECT_TRUE(budget.instructionsExhausted());
		EXPECT_FALSE(budget.timeExhausted());
	}
	{
		lua::LuaBudget budget(&lua, 1000000000000000LL, size_t(1) << 30, std::chrono::milliseconds(20));
		EXPECT_NE("", failure("while true do end"));
		EXPECT_TRUE(budget.timeExhausted());
		EXPECT_FALSE(budget.instructionsExhausted());
		EXPECT_FALSE(budget.memoryExhausted());
	}
	{
		lua::LuaBudget budget(&lua, 1000000000000000LL, size_t(1) << 20, std::chrono::hours(1));
		EXPECT_NE("", failure("t = {} for i = 1, 2^30 do t[i] = { i } end"));
		EXPECT_TRUE(budget.memoryExhausted());
		EXPECT_FALSE(budget.timeExhausted() || budget.instructionsExhausted());
	}
	run("t = nil collectgarbage()");
	{
		// The time runs from the budget's making: a budget spent waiting stops the first loop.
		lua::LuaBudget budget(&lua, 1000000000000000LL, size_t(1) << 30, std::chrono::milliseconds(0));
		EXPECT_NE("", failure("for i = 1, 100000 do end"));
		EXPECT_TRUE(budget.timeExhausted());
	}
	EXPECT_EQ("", failure("n = 0 for i = 1, 3000000 do n = n + 1 end"));
	EXPECT_EQ(3000000.f, lua.globals().getNumber("n"));
}

// The time bound holds within a second also for code whose single
// instructions each copy or compare megabytes (joining, comparing and
// interning long strings), which the instruction count alone looks at far
// too seldom. The work done past the bound is held by the process's CPU
// time, which a loaded machine cannot stretch; its wall time gets room for
// the machine's load.
TEST_F(LuaBudgetTest, TimeBoundHoldsForInstructionsThatEachCopyMegabytes)
{
	std::chrono::seconds const bound(1);
	// Strings built in a few milliseconds. The sizes keep one instruction
	// well under the tolerance in the sanitized build, also on a machine
	// busy with other tests (a 64 MiB step took most of a second there), and make the
	// instructions between two looks of a count-only hook take seconds.
	char const* const loops[] = {
		// Each join of an 8 MiB string makes a new 16 MiB one (the old ones are garbage).
		"a = 'x' for i = 1, 23 do a = a .. a end while true do local c = a .. a end",
		// Each join of a 16 MiB string finds its 32 MiB result already there: no allocation at all.
		"a = 'x' for i = 1, 24 do a = a .. a end b = a .. a while true do local c = a .. a end",
		// Each comparison walks two 16 MiB strings to their last byte.
		"a = 'x' for i = 1, 24 do a = a .. a end c = a .. 'x' d = a .. 'y' while true do local e = c < d end",
		// Many operands in one instruction.
		"a = 'x' for i = 1, 23 do a = a .. a end while true do local c = a .. a .. a .. a end",
	};
	for (char const* loop : loops)
	{
		auto const start = std::chrono::steady_clock::now();
		std::clock_t const cpuStart = std::clock();
		{
			lua::LuaBudget budget(&lua, 1000000000000000LL, size_t(1) << 30, bound);
			EXPECT_NE("", failure(loop)) << loop;
			EXPECT_TRUE(budget.timeExhausted()) << loop;
		}
		auto const took = std::chrono::steady_clock::now() - start;
		long long const cpu = static_cast<long long>(std::clock() - cpuStart) * 1000 / CLOCKS_PER_SEC;
		long long const wall = std::chrono::duration_cast<std::chrono::milliseconds>(took).count();
		EXPECT_LT(cpu, 2000) << loop << ": " << cpu << " ms of CPU time";
		EXPECT_LT(took, bound + std::chrono::seconds(3)) << loop << ": " << wall << " ms";
		run("a, b, c, d = nil collectgarbage()");
	}
}
