#include "TextGroupReader.h"
#include <game/ChunkFile.h>
#include <lang/Exception.h>
#include <lang/Format.h>
#include <functional>

namespace game
{

namespace
{

constexpr int TEXT = chunkTag("TEXT");
constexpr int LDAT = chunkTag("LDAT");
constexpr int LIDS = chunkTag("LIDS");
constexpr int TXGP = chunkTag("TXGP");

/**
 * Calls visit with the tag and body of every sub-chunk of the first "TEXT"
 * version 1 of a container, in file order, until visit returns false. The
 * sub-chunks follow the version and run to the end of the file, whatever
 * length the "TEXT" chunk gives (some files count only the version in it).
 * A sub-chunk's body is bounded by its length.
 */
void visitSubChunks(ChunkFile& file, std::function<bool(int, ChunkReader&)> const& visit)
{
	int tag = 0;
	ChunkReader body = file.whole();
	while (file.nextChunk(tag, body))
	{
		if (tag != TEXT || body.readShort() != 1)
			continue;
		ChunkReader subChunks = file.throughEnd(body);
		while (subChunks.available() > 0)
		{
			int const subTag = subChunks.readInt();
			int const length = subChunks.readInt();
			if (length < 0 || length > subChunks.available())
				file.malformed();
			ChunkReader sub = subChunks.take(length);
			if (!visit(subTag, sub))
				return;
		}
	}
}

/** Old layout: a reader over the language block; in is left after it. */
ChunkReader oldLanguageBlock(ChunkFile const& file, ChunkReader& in)
{
	in.skip(1);
	int const length = in.readInt();
	if (length < 0 || length > in.available())
		file.malformed();
	return in.take(length);
}

std::vector<std::string> readIds(ChunkReader& in)
{
	std::vector<std::string> ids(static_cast<size_t>(in.readCount()));
	for (std::string& id : ids)
		in.readUTF(id);
	return ids;
}

lang::Ptr<TextGroup> readTexts(std::vector<std::string> const& ids, ChunkReader& in)
{
	lang::Ptr<TextGroup> group = new TextGroup;
	std::string text;
	for (std::string const& id : ids)
	{
		in.readUTF(text);
		group->set(id, text);
	}
	return group;
}

} // namespace

std::vector<std::string> TextGroupReader::readLocaleCodes(std::string const& path)
{
	ChunkFile file(path);
	std::vector<std::string> codes;
	if (!file.isContainer())
	{
		ChunkReader in = file.whole();
		ChunkReader block = oldLanguageBlock(file, in);
		int const n = block.readSignedByte();
		for (int k = 0; k < n; ++k)
			codes.push_back(block.readUTF());
		return codes;
	}
	visitSubChunks(file, [&codes](int tag, ChunkReader& sub) {
		if (tag == LDAT)
		{
			std::vector<std::string> list(static_cast<size_t>(sub.readCount()));
			for (std::string& code : list)
				sub.readUTF(code);
			codes.swap(list);
		}
		return true;
	});
	return codes;
}

lang::Ptr<TextGroup> TextGroupReader::readTextGroup(std::string const& path, int i)
{
	ChunkFile file(path);
	if (!file.isContainer())
	{
		ChunkReader in = file.whole();
		oldLanguageBlock(file, in);
		std::vector<std::string> const ids = readIds(in);
		in.skip(4 * i);
		int const offset = in.readInt();
		if (offset < 0 || offset > in.available())
			file.malformed();
		in.skip(offset);
		return readTexts(ids, in);
	}
	lang::Ptr<TextGroup> group;
	std::vector<std::string> ids;
	int count = 0;
	visitSubChunks(file, [&](int tag, ChunkReader& sub) {
		if (tag == LIDS)
		{
			ids = readIds(sub);
		}
		else if (tag == TXGP)
		{
			if (ids.empty())
				lang::throwError(lang::Exception(lang::Format("Missing LIDS chunk before TXGP chunk in file {0}", file.name())));
			if (count++ == i)
			{
				group = readTexts(ids, sub);
				return false;
			}
		}
		return true;
	});
	return group;
}

} // game
