#include "TextSetWriter.h"

namespace datawriter
{

namespace
{

void writeTexts(DataWriter& out, std::vector<std::string> const& texts)
{
	for (std::string const& text : texts)
		out.writeUTF(text);
}

} // namespace

void writeLanguagesChunk(DataWriter& out, std::vector<std::string> const& languages)
{
	out.beginChunk("LDAT").writeShort(int(languages.size()));
	writeTexts(out, languages);
	out.endChunk();
}

void writeIdsChunk(DataWriter& out, std::vector<std::string> const& ids)
{
	out.beginChunk("LIDS").writeShort(int(ids.size()));
	writeTexts(out, ids);
	out.endChunk();
}

void writeTextsChunk(DataWriter& out, std::vector<std::string> const& texts)
{
	out.beginChunk("TXGP");
	writeTexts(out, texts);
	out.endChunk();
}

void writeTextSet(DataWriter& out, TextSet const& set)
{
	out.beginFile();
	out.beginChunk("TEXT").writeShort(1);
	writeLanguagesChunk(out, set.languages);
	writeIdsChunk(out, set.ids);
	for (std::vector<std::string> const& texts : set.texts)
		writeTextsChunk(out, texts);
	out.endChunk();
	out.endFile();
}

void writeOldTextSet(DataWriter& out, TextSet const& set)
{
	DataWriter block;
	block.writeByte(int(set.languages.size()));
	writeTexts(block, set.languages);

	std::vector<std::string> groups;
	for (std::vector<std::string> const& texts : set.texts)
	{
		DataWriter group;
		writeTexts(group, texts);
		groups.push_back(group.bytes());
	}

	out.writeByte(0);
	out.writeInt(int(block.bytes().size()));
	out.writeBytes(block.bytes());
	out.writeShort(int(set.ids.size()));
	writeTexts(out, set.ids);
	// Offset i counts from the end of its own entry to the start of group i.
	size_t const n = groups.size();
	size_t start = 0;
	for (size_t i = 0; i < n; ++i)
	{
		out.writeInt(int(4 * (n - i - 1) + start));
		start += groups[i].size();
	}
	for (std::string const& group : groups)
		out.writeBytes(group);
}

} // datawriter
