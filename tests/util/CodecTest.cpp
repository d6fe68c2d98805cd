#include <util/Base16.h>
#include <util/Base64.h>
#include <util/SHA1.h>
#include <lang/Exception.h>
#include <gtest/gtest.h>
#include <openssl/sha.h>
#include <random>
#include <string>
#include <vector>

using namespace util;

TEST(Base16, EncodesEachByteAsTwoUpperCaseDigits)
{
	EXPECT_EQ("007FFF", Base16::encode(std::string("\x00\x7F\xFF", 3)));
	EXPECT_EQ("", Base16::encode(""));
	EXPECT_EQ("0123456789ABCDEF", Base16::encode("\x01\x23\x45\x67\x89\xAB\xCD\xEF"));
}

TEST(Base64, DecodesGroupsPaddingAndWhitespace)
{
	struct Case
	{
		char const* text;
		std::string bytes;
	} const cases[] = {
		{"", ""},
		{"TWFu", "Man"},
		{"TWE", "Ma"},
		{"TWE=", "Ma"},
		{"TQ", "M"},
		{"TQ==", "M"},
		{"T", ""},
		{"TWFuTQ", "ManM"},
		{"TWFuT", "Man"},
		{"TQ==TWFu", "MMan"},   // text after padding decodes as further groups
		{"TQ===TWFu", "MMan"},  // an extra "=" ends an empty group
		{"T W\r\nF u ", "Man"},
		{" \n", ""},
		{"-_-_", std::string("\xFB\xFF\xBF", 3)},
		{"AAAA", std::string(3, '\0')},
		{"YWJjZGVmZ2hpams", "abcdefghijk"},
	};
	for (Case const& c : cases)
		EXPECT_EQ(c.bytes, Base64::decode(c.text)) << "text: " << c.text;
}

TEST(Base64, RejectsCharactersOutsideTheAlphabetByCode)
{
	struct Case
	{
		std::string text;
		char const* message;
	} const cases[] = {
		{"TW\tFu", "BaseN::decode: Bad character in input: 9"},
		{"ab+c", "BaseN::decode: Bad character in input: 43"},
		{"ab/c", "BaseN::decode: Bad character in input: 47"},
		{"TWFu.", "BaseN::decode: Bad character in input: 46"},
		{std::string("ab\0c", 4), "BaseN::decode: Bad character in input: 0"},
		{"ab\x80", "BaseN::decode: Bad character in input: 128"},
		{"\xFF", "BaseN::decode: Bad character in input: 255"},
	};
	for (Case const& c : cases)
	{
		try
		{
			Base64::decode(c.text);
			ADD_FAILURE() << "no exception for " << c.message;
		}
		catch (lang::Exception const& e)
		{
			EXPECT_EQ(c.message, e.getMessage().format());
		}
	}
}

TEST(SHA1, StandardVectors)
{
	EXPECT_EQ("A9993E364706816ABA3E25717850C26C9CD0D89D", SHA1::hash("abc", 3));
	EXPECT_EQ("DA39A3EE5E6B4B0D3255BFEF95601890AFD80709", SHA1::hash(nullptr, 0));
	EXPECT_EQ("DA39A3EE5E6B4B0D3255BFEF95601890AFD80709", SHA1::hash(std::string()));
	EXPECT_EQ("84983E441C3BD26EBAAE4AA1F95129E5E54670F1",
		SHA1::hash(std::string("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")));
	EXPECT_EQ("34AA973CD4C4DAA4F61EEB2BDBAD27316534016F", SHA1::hash(std::vector<char>(1000000, 'a')));
}

TEST(SHA1, MatchesReferenceDigestForEveryLengthUpTo200)
{
	std::mt19937 rng(12345);
	for (int length = 0; length <= 200; ++length)
	{
		std::string data(static_cast<size_t>(length), '\0');
		for (char& c : data)
			c = static_cast<char>(rng());

		unsigned char md[SHA_DIGEST_LENGTH];
		::SHA1(reinterpret_cast<unsigned char const*>(data.data()), data.size(), md);
		std::string expected = Base16::encode(std::string(reinterpret_cast<char*>(md), sizeof(md)));

		EXPECT_EQ(expected, SHA1::hash(data.data(), length)) << "length " << length;
		EXPECT_EQ(std::string(reinterpret_cast<char*>(md), sizeof(md)), SHA1::rawDigest(data)) << "length " << length;
		EXPECT_EQ(expected, SHA1::hash(data)) << "length " << length;
		EXPECT_EQ(expected, SHA1::hash(std::vector<char>(data.begin(), data.end()))) << "length " << length;
	}
}
