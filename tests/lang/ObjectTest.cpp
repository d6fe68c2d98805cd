#include <gtest/gtest.h>
#include <lang/Debug.h>
#include <lang/Exception.h>
#include <lang/FormatException.h>
#include <lang/Object.h>
#include <lang/OutOfMemoryException.h>
#include <lang/Ptr.h>
#include <lang/ThreadInterruptedException.h>
#include <string>
#include <thread>
#include <vector>

namespace
{

// Counts its own destructions.
class Counted : public lang::Object
{
public:
	explicit Counted(int* deaths) : m_deaths(deaths) {}
	~Counted() { ++*m_deaths; }

private:
	int* m_deaths;
};

} // namespace

TEST(Object, smoke)
{
	lang::Ptr<lang::Object> p = new lang::Object;
	EXPECT_EQ(1, p->references());
}

TEST(Ptr, countsCopiesAndDeletesOnceWithTheLastReference)
{
	int deaths = 0;
	lang::Ptr<Counted> first = new Counted(&deaths);
	{
		lang::Ptr<Counted> a = first;
		lang::Ptr<Counted> b(a);
		lang::Ptr<Counted> c;
		c = b;
		EXPECT_EQ(4, first->references());
	}
	EXPECT_EQ(1, first->references());
	EXPECT_EQ(0, deaths);
	first.reset();
	EXPECT_EQ(1, deaths);
	EXPECT_EQ(nullptr, first.ptr());
}

TEST(Ptr, selfAssignmentOfTheLastReferenceKeepsTheObject)
{
	int deaths = 0;
	lang::Ptr<Counted> p = new Counted(&deaths);
	lang::Ptr<Counted>& alias = p;
	p = alias;
	p = p.ptr();
	EXPECT_EQ(0, deaths);
	EXPECT_EQ(1, p->references());

	// Re-pointing releases the old target only after taking the new one.
	lang::Ptr<Counted> q = new Counted(&deaths);
	p = q;
	EXPECT_EQ(1, deaths);
	EXPECT_EQ(2, q->references());
	lang::Ptr<Counted> moved = std::move(q);
	EXPECT_EQ(nullptr, q.ptr());
	EXPECT_EQ(2, moved->references());
}

TEST(Object, copyStartsWithItsOwnZeroCount)
{
	lang::Ptr<lang::Object> p = new lang::Object;
	lang::Ptr<lang::Object> p2 = p, p3 = p, p4 = p, p5 = p;
	EXPECT_EQ(5, p->references());
	lang::Object copy(*p);
	EXPECT_EQ(0, copy.references());
	lang::Object assigned;
	assigned = *p;
	EXPECT_EQ(0, assigned.references());
	EXPECT_EQ(5, p->references());
}

TEST(Ptr, countIsExactWhenCopiedOnManyThreads)
{
	int deaths = 0;
	lang::Ptr<Counted> shared = new Counted(&deaths);
	std::vector<std::thread> threads;
	for (int t = 0; t < 4; ++t)
	{
		threads.emplace_back([&shared] {
			for (int i = 0; i < 20000; ++i)
			{
				lang::Ptr<Counted> copy = shared;
				lang::Ptr<Counted> again = copy;
			}
		});
	}
	for (auto& t : threads)
		t.join();
	EXPECT_EQ(1, shared->references());
	EXPECT_EQ(0, deaths);
}

TEST(PtrDeathTest, dereferencingAnEmptyPointerAborts)
{
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	lang::Ptr<lang::Object> p;
	EXPECT_DEATH(p->references(), "m_ptr");
}

TEST(Throwable, everyExceptionClassIsCaughtByItsBases)
{
	auto throwEach = [](int which) {
		switch (which)
		{
		case 0: lang::throwError(lang::Exception(lang::Format("general")));
		case 1: lang::throwError(lang::FormatException(lang::Format("format")));
		case 2: lang::throwError(lang::OutOfMemoryException(lang::Format("memory")));
		default: lang::throwError(lang::ThreadInterruptedException(lang::Format("thread")));
		}
	};
	char const* const texts[] = {"general", "format", "memory", "thread"};
	for (int i = 0; i < 4; ++i)
	{
		try
		{
			throwEach(i);
			ADD_FAILURE() << "not thrown: " << i;
		}
		catch (lang::Exception const& e)
		{
			EXPECT_EQ(texts[i], e.getMessage().format());
		}
	}

	bool caught = false;
	try
	{
		lang::throwError(lang::Throwable(lang::Format("root")));
	}
	catch (lang::Exception const&)
	{
		ADD_FAILURE() << "Exception handler caught a plain Throwable";
	}
	catch (lang::Throwable const& e)
	{
		caught = e.getMessage().format() == "root";
	}
	EXPECT_TRUE(caught);
}

TEST(Throwable, constructionLogsTheMessageCutAt255Characters)
{
	std::string const longText(300, 'x');

	testing::internal::CaptureStdout();
	lang::Exception e(lang::Format("{0}{1}", longText, 42.0));
	std::string log = testing::internal::GetCapturedStdout();
	EXPECT_EQ("Created Throwable( \"" + longText.substr(0, 255) + "\" )\n", log);
	EXPECT_EQ(longText + "42", e.getMessage().format());

	// Throwing copies the exception without logging again.
	testing::internal::CaptureStdout();
	try
	{
		lang::throwError(e);
	}
	catch (lang::Exception const& caught)
	{
		EXPECT_EQ(longText + "42", caught.getMessage().format());
	}
	EXPECT_EQ("", testing::internal::GetCapturedStdout());
}

TEST(Throwable, outOfMemoryLogsNothingAndHasAnEmptyMessage)
{
	testing::internal::CaptureStdout();
	try
	{
		lang::throw_OutOfMemoryException();
	}
	catch (lang::OutOfMemoryException const& e)
	{
		EXPECT_EQ("", e.getMessage().format());
	}
	EXPECT_EQ("", testing::internal::GetCapturedStdout());
}

TEST(Throwable, showExceptionDialogPrintsTheWholeMessage)
{
	testing::internal::CaptureStdout();
	lang::Exception e(lang::Format("Load {0} failed", "a.png"));
	e.showExceptionDialog();
	fflush(stdout);
	EXPECT_EQ("Created Throwable( \"Load a.png failed\" )\nEXCEPTION: Load a.png failed\n",
		testing::internal::GetCapturedStdout());
}

// A text past the buffer keeps 1999 bytes: its long value is shortened
// with a mark (DebugTest.cpp has the rows).
TEST(Debug, printfCutsTheTextAt1999Characters)
{
	std::string const text(3000, 'q');
	testing::internal::CaptureStdout();
	lang::Debug::printf("%s", text.c_str());
	lang::Debug::printf("n=%d\n", 5);
	std::string log = testing::internal::GetCapturedStdout();
	EXPECT_EQ(lang::Debug::shortened(text, 1999) + "n=5\n", log);
	EXPECT_EQ(1999u + 4u, log.size());
}

// Debug lines (the making of every exception among them) show only while
// the log is verbose; the other lines always.
TEST(Debug, DebugLinesShowOnlyWhileVerbose)
{
	bool const was = lang::Debug::verbose();
	std::string logs[2];
	for (bool verbose : {false, true})
	{
		lang::Debug::setVerbose(verbose);
		testing::internal::CaptureStdout();
		lang::Debug::debug("trace %d\n", 1);
		lang::Exception e(lang::Format("bad {0}", 2));
		lang::Debug::printf("warning %d\n", 3);
		logs[verbose] = testing::internal::GetCapturedStdout();
	}
	lang::Debug::setVerbose(was);
	EXPECT_EQ("warning 3\n", logs[0]);
	EXPECT_EQ("trace 1\nCreated Throwable( \"bad 2\" )\nwarning 3\n", logs[1]);
}
