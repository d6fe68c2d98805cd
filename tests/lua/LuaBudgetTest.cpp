#include "LuaFixture.h"
#include <lua/LuaBudget.h>
#include <chrono>

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
