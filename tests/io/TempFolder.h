#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

/** A fresh folder under the system's temporary folder, removed with its content. */
class TempFolder
{
public:
	TempFolder()
	{
		std::string pattern = (std::filesystem::temp_directory_path() / "io-test-XXXXXX").string();
		char* p = mkdtemp(pattern.data());
		m_path = p ? p : "";
	}

	~TempFolder()
	{
		std::error_code ec;
		std::filesystem::remove_all(m_path, ec);
	}

	std::string const& path() const { return m_path; }

	std::string operator/(std::string const& name) const { return m_path + "/" + name; }

	void write(std::string const& name, std::string const& data) const
	{
		std::ofstream(*this / name, std::ios::binary) << data;
	}

	std::string read(std::string const& name) const
	{
		std::ifstream in(*this / name, std::ios::binary);
		return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
	}

private:
	std::string m_path;
};
