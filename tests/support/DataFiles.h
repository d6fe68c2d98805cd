#pragma once

#include <support/TempFolder.h>
#include <DataCipher.h>
#include <datapack/DataPack.h>
#include <filesystem>
#include <string>

namespace test
{

/**
 * Writes text as a shipped data file (enciphered 7z, entry named by the
 * file's base name) at name below folder, creating the folders it needs.
 * For tests linked with eng_datapack.
 */
inline void writeShippedFile(TempFolder const& folder, std::string const& name, std::string const& text)
{
	std::filesystem::path const file = std::filesystem::path(folder.path()) / name;
	std::filesystem::create_directories(file.parent_path());
	cipher::Bytes const bytes = datapack::packShippedFile(file.filename().string(), text);
	folder.write(name, std::string(bytes.begin(), bytes.end()));
}

/**
 * A game data folder at "<folder>/data" for the game program (--data):
 * the shaders of the bundle at bundle (linked) and logic as its game logic
 * script.
 */
inline void writeGameData(TempFolder const& folder, std::string const& bundle, std::string const& logic)
{
	std::filesystem::create_directories(folder / "data/data_ipad");
	std::filesystem::create_directory_symlink(bundle + "/data_ipad/shaders", folder / "data/data_ipad/shaders");
	writeShippedFile(folder, "data/data_ipad/scripts_common/gamelogic.lua", logic);
}

/** The text of the save file name below folder: deciphered, or as it is when it does not decipher. */
inline std::string readSaveFile(TempFolder const& folder, std::string const& name)
{
	std::string const raw = folder.read(name);
	cipher::Bytes text;
	if (!cipher::decrypt(cipher::getVariableKey(), cipher::Bytes(raw.begin(), raw.end()), text))
		return raw;
	return std::string(text.begin(), text.end());
}

} // test
