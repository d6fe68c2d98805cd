// Text group sets written by the data writer in both layouts: language
// codes, per-language loading, release, the error messages, and damaged
// files that must load or throw under the sanitizers.

#include "ResourceFixtures.h"
#include <datawriter/TextSetWriter.h>
#include <game/TextGroupSet.h>
#include <lang/Exception.h>
#include <support/DamagedCopies.h>
#include <gtest/gtest.h>

using datawriter::DataWriter;
using datawriter::TextSet;

namespace
{

TextSet const TEXTS = {
	{"en_EN", "de_DE"},
	{"HELLO", "BYE"},
	{{"Hello", "Bye"}, {"Hallo", "Tsch\xc3\xbc\xc3\x9f"}},
};

std::string old(TextSet const& set)
{
	DataWriter w;
	datawriter::writeOldTextSet(w, set);
	return w.bytes();
}

class TextGroupSetTest : public ::testing::TestWithParam<bool>
{
protected:
	gametest::Bundle bundle;

	/** A set over the bytes (chunked or old layout by the parameter) with its codes read. */
	lang::Ptr<game::TextGroupSet> load(TextSet const& texts)
	{
		bundle.write("loc/texts.dat", GetParam() ? gametest::textSetFile(texts) : old(texts));
		lang::Ptr<game::TextGroupSet> set = new game::TextGroupSet("loc/texts.dat");
		set->loadLocaleCodes();
		return set;
	}
};

TEST_P(TextGroupSetTest, loadsEachLanguageOnRequest)
{
	lang::Ptr<game::TextGroupSet> set = load(TEXTS);
	EXPECT_EQ(set->getLocaleCodes(), (std::vector<std::string>{"en_EN", "de_DE"}));
	EXPECT_TRUE(set->getTextGroups().empty());

	game::TextGroup* de = set->loadTextGroup("de_DE");
	ASSERT_TRUE(de);
	EXPECT_EQ(de->get("HELLO"), "Hallo");
	EXPECT_EQ(de->get("BYE"), "Tsch\xc3\xbc\xc3\x9f");
	EXPECT_EQ(set->getTextGroup("de_DE"), de);
	EXPECT_EQ(message<lang::Exception>([&] { set->getTextGroup("en_EN"); }), "Trying to get TextGroup for language which is not loaded. Language: \"en_EN\"");

	// A missing id is stored as its own text.
	EXPECT_EQ(de->get("NOPE"), "NOPE");
	EXPECT_EQ(de->getTexts().count("NOPE"), 1u);
	EXPECT_EQ(de->get("NOPE"), "NOPE");

	// Loading again replaces the group; a holder of the first keeps it.
	lang::Ptr<game::TextGroup> first = de;
	game::TextGroup* again = set->loadTextGroup("de_DE");
	EXPECT_NE(again, first.ptr());
	EXPECT_EQ(first->get("HELLO"), "Hallo");

	set->releaseTextGroup("en_EN"); // listed, never loaded: nothing
	set->releaseTextGroup("de_DE");
	EXPECT_TRUE(set->getTextGroups().empty());
}

TEST_P(TextGroupSetTest, allLoadsAndReleasesEveryLanguage)
{
	lang::Ptr<game::TextGroupSet> set = load(TEXTS);
	game::TextGroup* all = set->loadTextGroup("ALL");
	ASSERT_TRUE(all);
	EXPECT_EQ(all->get("BYE"), "Bye");
	EXPECT_EQ(set->getTextGroups().size(), 2u);
	EXPECT_EQ(set->getTextGroup("de_DE")->get("BYE"), "Tsch\xc3\xbc\xc3\x9f");
	set->releaseTextGroup("ALL");
	EXPECT_TRUE(set->getTextGroups().empty());

	lang::Ptr<game::TextGroupSet> none = load(TextSet{});
	EXPECT_EQ(none->loadTextGroup("ALL"), nullptr);
}

TEST_P(TextGroupSetTest, unknownLanguagesAreNamed)
{
	lang::Ptr<game::TextGroupSet> set = load(TEXTS);
	EXPECT_EQ(message<lang::Exception>([&] { set->loadTextGroup("fr_FR"); }), "Trying to load TextGroup for language not present in data file. Language: \"fr_FR\"");
	EXPECT_EQ(message<lang::Exception>([&] { set->releaseTextGroup("fr_FR"); }), "Trying to release TextGroup for language not present in data file. Language: \"fr_FR\"");
	EXPECT_EQ(message<lang::Exception>([&] { set->getTextGroup("fr_FR"); }), "Trying to get TextGroup for language not present in data file. Language: \"fr_FR\"");
}

INSTANTIATE_TEST_SUITE_P(Layouts, TextGroupSetTest, ::testing::Values(true, false), [](auto const& info) { return info.param ? "chunked" : "old"; });

/** A chunked set of the two languages, each "TXGP" given as raw bytes. */
std::string chunkedWithBlocks(std::string const& block0, std::string const& block1, bool withIds = true)
{
	DataWriter w;
	w.beginFile();
	w.beginChunk("TEXT").writeShort(1);
	datawriter::writeLanguagesChunk(w, TEXTS.languages);
	if (withIds)
		datawriter::writeIdsChunk(w, TEXTS.ids);
	w.beginChunk("TXGP").writeBytes(block0).endChunk();
	if (!block1.empty())
		w.beginChunk("TXGP").writeBytes(block1).endChunk();
	w.endChunk();
	return w.endFile().bytes();
}

std::string utf(std::vector<std::string> const& texts)
{
	DataWriter w;
	for (std::string const& t : texts)
		w.writeUTF(t);
	return w.bytes();
}

TEST(TextGroupSetFile, damagedBlockBeforeTheWantedOneIsSkipped)
{
	gametest::Bundle bundle;
	// Language 0's block holds one cut-off text; language 1 still loads.
	bundle.write("t.dat", chunkedWithBlocks(std::string("\x00\x09Hal", 5), utf({"Hallo", "Bye"})));
	game::TextGroupSet set("t.dat");
	set.loadLocaleCodes();
	EXPECT_EQ(set.loadTextGroup("de_DE")->get("HELLO"), "Hallo");
	EXPECT_EQ(message<lang::Exception>([&] { set.loadTextGroup("en_EN"); }), "Unexpected end of file in t.dat.");
	EXPECT_EQ(set.getTextGroups().size(), 1u);
	// "ALL" fails halfway and stores nothing new.
	set.releaseTextGroup("ALL");
	EXPECT_NE(message<lang::Exception>([&] { set.loadTextGroup("ALL"); }), "no exception");
	EXPECT_TRUE(set.getTextGroups().empty());
}

TEST(TextGroupSetFile, subChunksRunToTheEndOfTheFile)
{
	// The "TEXT" chunk's length counts only its version; the sub-chunks follow it.
	DataWriter w;
	w.beginFile();
	w.beginChunk("TEXT").writeShort(1).endChunk();
	datawriter::writeLanguagesChunk(w, TEXTS.languages);
	datawriter::writeIdsChunk(w, TEXTS.ids);
	for (std::vector<std::string> const& texts : TEXTS.texts)
		datawriter::writeTextsChunk(w, texts);
	gametest::Bundle bundle;
	bundle.write("t.dat", w.endFile().bytes());
	game::TextGroupSet set("t.dat");
	set.loadLocaleCodes();
	EXPECT_EQ(set.getLocaleCodes(), TEXTS.languages);
	EXPECT_EQ(set.loadTextGroup("de_DE")->get("BYE"), "Tsch\xc3\xbc\xc3\x9f");
	EXPECT_EQ(set.loadTextGroup("en_EN")->get("HELLO"), "Hello");

	// A cut-off sub-chunk there is named as in any other file.
	std::string cut = w.bytes();
	cut.resize(cut.size() - 3);
	bundle.write("t.dat", cut);
	EXPECT_EQ(message<lang::Exception>([&] { set.loadTextGroup("de_DE"); }), "Malformed QRX5 file: t.dat");
}

TEST(TextGroupSetFile, fileEndingBeforeTheWantedBlockLoadsNothing)
{
	gametest::Bundle bundle;
	bundle.write("t.dat", chunkedWithBlocks(utf({"Hello", "Bye"}), ""));
	game::TextGroupSet set("t.dat");
	set.loadLocaleCodes();
	EXPECT_EQ(set.loadTextGroup("de_DE"), nullptr);
	EXPECT_TRUE(set.getTextGroups().empty());
	EXPECT_EQ(set.loadTextGroup("en_EN")->get("BYE"), "Bye");
}

TEST(TextGroupSetFile, txgpBeforeLidsFails)
{
	gametest::Bundle bundle;
	bundle.write("t.dat", chunkedWithBlocks(utf({"Hello", "Bye"}), utf({"Hallo", "Bye"}), false));
	game::TextGroupSet set("t.dat");
	set.loadLocaleCodes();
	EXPECT_EQ(message<lang::Exception>([&] { set.loadTextGroup("de_DE"); }), "Missing LIDS chunk before TXGP chunk in file t.dat");
}

TEST(TextGroupSetFile, lengthsAndOffsetsOutsideTheFileAreMalformed)
{
	gametest::Bundle bundle;
	game::TextGroupSet set("t.dat");
	struct Case
	{
		char const* what;
		std::string bytes;
		bool codes; // fails already when reading the codes
	};
	std::string negativeSub = gametest::textSetFile(TEXTS);
	negativeSub[8 + 8 + 2 + 4] = '\xff'; // the "LDAT" length
	std::string pastSub = gametest::textSetFile(TEXTS);
	pastSub[8 + 8 + 2 + 4] = '\x7f';
	std::string negativeBlock = old(TEXTS);
	negativeBlock[1] = '\xff';
	std::string negativeOffset = old(TEXTS);
	size_t const offsets = negativeOffset.size() - 4 - 4 - utf(TEXTS.texts[0]).size() - utf(TEXTS.texts[1]).size();
	negativeOffset[offsets + 4] = '\xff'; // language 1's offset
	std::string pastOffset = old(TEXTS);
	pastOffset[offsets + 4] = '\x7f';
	for (Case const& c : {Case{"negative sub-chunk length", negativeSub, true}, Case{"sub-chunk past the end", pastSub, true},
			 Case{"negative language block", negativeBlock, true}, Case{"negative offset", negativeOffset, false},
			 Case{"offset past the end", pastOffset, false}})
	{
		bundle.write("t.dat", old(TEXTS));
		set.loadLocaleCodes();
		bundle.write("t.dat", c.bytes);
		std::string const text = message<lang::Exception>([&] {
			if (c.codes)
				set.loadLocaleCodes();
			else
				set.loadTextGroup("de_DE");
		});
		EXPECT_EQ(text, "Malformed QRX5 file: t.dat") << c.what;
		EXPECT_EQ(set.getLocaleCodes().size(), 2u) << c.what;
	}
}

TEST(TextGroupSetMutation, damagedFilesLoadOrThrow)
{
	gametest::Bundle bundle;
	TextSet three = TEXTS;
	three.languages.push_back("fr_FR");
	three.texts.push_back({"Bonjour", "Salut"});
	for (std::string const& bytes : {gametest::textSetFile(three), old(three)})
	{
		int loaded = 0;
		forEachDamagedCopy(std::vector<unsigned char>(bytes.begin(), bytes.end()), 300, 22, [&](std::vector<unsigned char> const& d) {
			bundle.write("m.dat", std::string(d.begin(), d.end()));
			lang::Ptr<game::TextGroupSet> set = new game::TextGroupSet("m.dat");
			try
			{
				set->loadLocaleCodes();
			}
			catch (lang::Exception const&)
			{
				return;
			}
			for (std::string const& code : set->getLocaleCodes())
			{
				try
				{
					if (game::TextGroup* group = set->loadTextGroup(code))
						loaded += group->get("HELLO").size() > 0;
				}
				catch (lang::Exception const&)
				{
				}
			}
		});
		EXPECT_GT(loaded, 0);
	}
}

} // namespace
