// The data-file cipher against the AES-256 reference example and the
// openssl command line.
#include <support/TempFolder.h>
#include <DataCipher.h>
#include <openssl/err.h>
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{

cipher::Bytes bytes(std::string const& text)
{
	return cipher::Bytes(text.begin(), text.end());
}

std::string hex(cipher::Bytes const& data)
{
	std::string out;
	char buf[3];
	for (unsigned char c : data)
	{
		std::snprintf(buf, sizeof(buf), "%02x", c);
		out += buf;
	}
	return out;
}

cipher::Bytes counting(int n, int step)
{
	cipher::Bytes out;
	for (int i = 0; i < n; ++i)
		out.push_back(static_cast<unsigned char>(i * step));
	return out;
}

TEST(DataCipher, ReferenceExampleWithZeroIV)
{
	cipher::Bytes const key = counting(32, 1);           // 00 01 .. 1f
	cipher::Bytes const plain = counting(16, 0x11);      // 00 11 22 .. ff
	cipher::Bytes out;
	ASSERT_TRUE(cipher::encrypt(key, plain, out));
	ASSERT_EQ(32u, out.size()); // one block of padding
	EXPECT_EQ("8ea2b7ca516745bfeafc49904b496089", hex(out).substr(0, 32));
	cipher::Bytes back;
	ASSERT_TRUE(cipher::decrypt(key, out, back));
	EXPECT_EQ(plain, back);

	// In place both ways (the save reader deciphers in place).
	cipher::Bytes same = plain;
	ASSERT_TRUE(cipher::encrypt(key, same.data(), same.size(), same));
	EXPECT_EQ(out, same);
	ASSERT_TRUE(cipher::decrypt(key, same, same));
	EXPECT_EQ(plain, same);
}

TEST(DataCipher, KeysAreCutOrZeroPadded)
{
	cipher::Bytes const plain = bytes("score = 12\n");
	cipher::Bytes const full = counting(32, 7);
	cipher::Bytes longer = full;
	longer.insert(longer.end(), {1, 2, 3, 4, 5});
	cipher::Bytes shortKey = counting(10, 7);
	cipher::Bytes padded = shortKey;
	padded.resize(32, 0);

	cipher::Bytes a, b;
	ASSERT_TRUE(cipher::encrypt(full, plain, a));
	ASSERT_TRUE(cipher::encrypt(longer, plain, b));
	EXPECT_EQ(a, b);
	ASSERT_TRUE(cipher::encrypt(shortKey, plain, a));
	ASSERT_TRUE(cipher::encrypt(padded, plain, b));
	EXPECT_EQ(a, b);
	ASSERT_TRUE(cipher::encrypt(cipher::Bytes(), plain, a));
	ASSERT_TRUE(cipher::encrypt(cipher::Bytes(32, 0), plain, b));
	EXPECT_EQ(a, b);
	// Empty text is one block of padding.
	ASSERT_TRUE(cipher::encrypt(full, cipher::Bytes(), a));
	EXPECT_EQ(16u, a.size());
}

TEST(DataCipher, FailuresEmptyTheOutputAndClearTheErrorQueue)
{
	cipher::Bytes const key = cipher::getVariableKey();
	cipher::Bytes good;
	ASSERT_TRUE(cipher::encrypt(key, bytes("launches = 3\nname = \"a\"\n"), good));
	cipher::Bytes wrongKey = key;
	wrongKey[0] ^= 1;
	struct Case
	{
		char const* what;
		cipher::Bytes key;
		cipher::Bytes input;
	};
	Case const cases[] = {
		{"empty", key, {}},
		{"not whole blocks", key, cipher::Bytes(good.begin(), good.end() - 1)},
		{"last block damaged", key, [&] { cipher::Bytes b = good; b.back() ^= 0x5a; return b; }()},
		{"wrong key", wrongKey, good},
	};
	for (Case const& c : cases)
	{
		cipher::Bytes out(5, 'x');
		EXPECT_FALSE(cipher::decrypt(c.key, c.input, out)) << c.what;
		EXPECT_TRUE(out.empty()) << c.what;
		EXPECT_EQ(0u, ERR_peek_error()) << c.what;
	}
	cipher::setEncryptFailure(true);
	cipher::Bytes out(3, 'x');
	EXPECT_FALSE(cipher::encrypt(key, bytes("a = 1"), out));
	EXPECT_TRUE(out.empty());
	cipher::setEncryptFailure(false);
}

TEST(DataCipher, KeysAre32DistinctPrintableCharacters)
{
	cipher::Bytes const& a = cipher::getStaticKey();
	cipher::Bytes const& b = cipher::getVariableKey();
	EXPECT_EQ(&a, &cipher::getStaticKey()); // built once
	ASSERT_EQ(32u, a.size());
	ASSERT_EQ(32u, b.size());
	EXPECT_NE(a, b);
	for (unsigned char c : a)
		EXPECT_TRUE(c > 32 && c < 127) << int(c);
	for (unsigned char c : b)
		EXPECT_TRUE(c > 32 && c < 127) << int(c);
}

TEST(DataCipher, FilesRoundTripWithTheOpensslCommand)
{
	test::TempFolder dir;
	std::string plain;
	for (int i = 0; i < 100; ++i)
		plain += "level" + std::to_string(i) + " = { score = " + std::to_string(i * 37) + " }\n";
	cipher::Bytes const& key = cipher::getVariableKey();
	std::string const command = "openssl enc -aes-256-cbc -K " + hex(key) + " -iv 0 ";

	// Theirs, deciphered by us.
	dir.write("plain.txt", plain);
	ASSERT_EQ(0, std::system((command + "-in " + (dir / "plain.txt") + " -out " + (dir / "theirs.bin") + " 2>/dev/null").c_str()));
	std::string const theirs = dir.read("theirs.bin");
	cipher::Bytes back;
	ASSERT_TRUE(cipher::decrypt(key, bytes(theirs), back));
	EXPECT_EQ(plain, std::string(back.begin(), back.end()));

	// Ours, deciphered by them; the same bytes either way.
	cipher::Bytes ours;
	ASSERT_TRUE(cipher::encrypt(key, bytes(plain), ours));
	EXPECT_EQ(theirs, std::string(ours.begin(), ours.end()));
	dir.write("ours.bin", std::string(ours.begin(), ours.end()));
	ASSERT_EQ(0, std::system((command + "-d -in " + (dir / "ours.bin") + " -out " + (dir / "back.txt") + " 2>/dev/null").c_str()));
	EXPECT_EQ(plain, dir.read("back.txt"));
}

} // namespace
