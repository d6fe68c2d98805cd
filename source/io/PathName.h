#pragma once

#include <string>

namespace io
{

/**
 * A path joined from a folder and a file name, normalised and split into
 * drive, folder, base name and suffix.
 *
 * Normalisation works on whole components: backslashes become "/", "."
 * components are dropped, and a ".." component removes the component
 * before it ("a/b/../c" is "a/c"); leading ".." of a relative path stay,
 * ".." at the root of an absolute path is dropped, and an absolute path
 * stays absolute. A trailing "/" is kept.
 */
class PathName
{
public:
	/** Empty path. */
	PathName();

	/** The normalised path. */
	explicit PathName(std::string const& path);

	/**
	 * dir and file joined with one "/" (one leading "/" or backslash of file
	 * is dropped when dir is not empty), then normalised.
	 */
	PathName(std::string const& dir, std::string const& file);

	/** Replaces the path with path (and file, when not null) as above. */
	void parse(char const* path, char const* file);

	/** The folder above: the path without its last component. */
	PathName parent() const;

	/** Base name followed by suffix. */
	std::string filename() const;

	/** The whole normalised path. */
	std::string const& path() const { return m_path; }

	/** Drive, up to and including the first ":" (empty without one). */
	std::string const& drive() const { return m_drv; }

	/** Folder, up to and including the last "/" (after the drive). */
	std::string const& directory() const { return m_dir; }

	/** File name without its suffix. */
	std::string const& basename() const { return m_basename; }

	/** Suffix with its leading "." (empty without one). */
	std::string const& suffix() const { return m_suffix; }

private:
	std::string m_path;
	std::string m_drv;
	std::string m_dir;
	std::string m_basename;
	std::string m_suffix;
};

} // io
