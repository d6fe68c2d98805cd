#include <gtest/gtest.h>
#include <lang/Exception.h>
#include <lang/Object.h>
#include <lang/Ptr.h>

TEST(Object, smoke)
{
	lang::Ptr<lang::Object> p = new lang::Object;
	EXPECT_EQ(1, p->references());
}
