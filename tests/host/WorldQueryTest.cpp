// World queries from script text.
#include <support/PhysicsHostFixture.h>
#include <gtest/gtest.h>

namespace
{

class WorldQuery : public test::PhysicsHostFixture
{
};

TEST_F(WorldQuery, BoxReportsEveryFixtureProxy)
{
	run("createBox('crate', '', 0, 0, 2, 2, 1, 0, 0, true, false, 1)\n"
		"createBox('far', '', 10, 0, 1, 1, 0, 0, 0, true, false, 1)\n"
		"clearVertices() addVertex(20, 0) addVertex(21, 0) addVertex(22, 0)\n"
		"createLineShape('rail', '', 0, 0, 1, 1, 0, 0, 0, true, false, 1)\n"
		"point = getIntersectingObjects({x = 0.5, y = 0.5, left = 0, right = 0, down = 0, up = 0})\n"
		"rail = getIntersectingObjects({x = 21, y = 0, left = -2, right = 2, down = -1, up = 1})\n"
		"origin = getIntersectingObjects({})\n"
		"none = getIntersectingObjects({x = 50, y = 50, left = -1, right = 1, down = -1, up = 1})\n"
		"statics = getIntersectingObjects({x = 10, y = 0})\n");
	lua::LuaTable point = host().getTable("point");
	EXPECT_EQ(1, point.size());
	EXPECT_EQ("crate", point.getString(1));
	lua::LuaTable rail = host().getTable("rail");
	EXPECT_EQ(2, rail.size());
	EXPECT_EQ("rail", rail.getString(2));
	EXPECT_EQ("crate", host().getTable("origin").getString(1)); // missing fields read 0
	EXPECT_EQ(0, host().getTable("none").size());
	EXPECT_EQ("far", host().getTable("statics").getString(1));
	EXPECT_NE(std::string::npos, error("getIntersectingObjects(5)").find("stack position 1"));
}

TEST_F(WorldQuery, RayReportsEveryNonSensorHit)
{
	run("for i = 1, 3 do createBox('b' .. i, '', 3 * i, 0, 1, 1, 0, 0, 0, true, false, 1) end\n"
		"createBox('ghost', '', 1.5, 0, 1, 1, 0, 0, 0, true, false, 1)\n"
		"setAsSensor('ghost', true)\n"
		"hits = getRayCastedObjects({x1 = 0, y1 = 0, x2 = 12, y2 = 0})\n"
		"empty = getRayCastedObjects({x1 = 3, y1 = 0, x2 = 3, y2 = 0})\n");
	lua::LuaTable hits = host().getTable("hits");
	ASSERT_EQ(18, hits.size());
	std::map<std::string, float> fractions;
	for (int k = 1; k <= 18; k += 6)
	{
		std::string name = hits.getString(k);
		fractions[name] = hits.getNumber(k + 5);
		int i = name[1] - '0';
		EXPECT_NEAR(3 * i - 0.5f, hits.getNumber(k + 1), 1e-4) << name;
		EXPECT_NEAR(0, hits.getNumber(k + 2), 1e-4);
		EXPECT_EQ(-1, hits.getNumber(k + 3));
		EXPECT_EQ(0, hits.getNumber(k + 4));
	}
	EXPECT_NEAR(2.5f / 12, fractions["b1"], 1e-4);
	EXPECT_NEAR(8.5f / 12, fractions["b3"], 1e-4);
	EXPECT_EQ(0, host().getTable("empty").size());
}

TEST_F(WorldQuery, WorldAndLocalPointsAreInverse)
{
	run("createBox('a', '', 3, 4, 1, 1, 1, 0, 0, true, false, 1)\n"
		"setRotation('a', 0.7)\n"
		"wx, wy = getWorldPoint('a', 1, 2)\n"
		"lx, ly = getLocalPoint('a', wx, wy)\n"
		"ox, oy = getWorldPoint('a', 0, 0)\n");
	EXPECT_NEAR(1, host().getNumber("lx"), 1e-5);
	EXPECT_NEAR(2, host().getNumber("ly"), 1e-5);
	EXPECT_NEAR(3, host().getNumber("ox"), 1e-6);
	EXPECT_NEAR(3 + std::cos(0.7f) - 2 * std::sin(0.7f), host().getNumber("wx"), 1e-5);
	EXPECT_NEAR(4 + std::sin(0.7f) + 2 * std::cos(0.7f), host().getNumber("wy"), 1e-5);
}

} // namespace
