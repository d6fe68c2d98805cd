#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace test
{

/**
 * A fresh folder under the system's temporary folder, removed with its
 * content when the object goes. The path is empty when the folder could not
 * be made.
 */
class TempFolder
{
public:
	TempFolder()
	{
		std::string pattern = (std::filesystem::temp_directory_path() / "engine-test-XXXXXX").string();
		char* p = mkdtemp(pattern.data());
		m_path = p ? p : "";
	}

	~TempFolder()
	{
		std::error_code ec;
		std::filesystem::remove_all(m_path, ec);
	}

	std::string const& path() const { return m_path; }

	/** The path of name inside the folder. */
	std::string operator/(std::string const& name) const { return m_path + "/" + name; }

	/** Writes data into the file name (relative to the folder), making its folders. */
	void write(std::string const& name, std::string const& data) const
	{
		std::filesystem::path const p = *this / name;
		std::error_code ec;
		std::filesystem::create_directories(p.parent_path(), ec);
		std::ofstream(p, std::ios::binary) << data;
	}

	/** The bytes of the file name; empty when it cannot be read. */
	std::string read(std::string const& name) const
	{
		std::ifstream in(*this / name, std::ios::binary);
		return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
	}

	TempFolder(TempFolder const&) = delete;
	TempFolder& operator=(TempFolder const&) = delete;

private:
	std::string m_path;
};

} // namespace test
