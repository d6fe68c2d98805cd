#pragma once

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace test
{

/**
 * What a player's folder may hold at the name of a file the program reads
 * or writes instead of a regular file: a FIFO (a reader waits for a writer
 * for ever), a device, a socket, a folder, and links to each of these, to
 * nothing or to a file outside the folder.
 */
enum class Hostile
{
	Fifo,
	/** A character device like /dev/null (made only where the test may make devices). */
	Device,
	Socket,
	Folder,
	LinkToFifo,
	/** A link to /dev/zero: a reader following it never reaches an end. */
	LinkToDevZero,
	LinkToDevNull,
	LinkToSocket,
	LinkToFolder,
	/** A link to a name outside the folder where nothing is. */
	DanglingLink,
	/** A link to a regular file outside the folder. */
	LinkToFile,
};

/** Every kind, in the order of the enum. */
inline std::vector<Hostile> hostileKinds()
{
	return {Hostile::Fifo, Hostile::Device, Hostile::Socket, Hostile::Folder, Hostile::LinkToFifo, Hostile::LinkToDevZero,
		Hostile::LinkToDevNull, Hostile::LinkToSocket, Hostile::LinkToFolder, Hostile::DanglingLink, Hostile::LinkToFile};
}

/** The kind's name in test output ("FIFO", "link to /dev/zero"). */
inline char const* describe(Hostile kind)
{
	switch (kind)
	{
	case Hostile::Fifo: return "FIFO";
	case Hostile::Device: return "character device";
	case Hostile::Socket: return "socket";
	case Hostile::Folder: return "folder";
	case Hostile::LinkToFifo: return "link to a FIFO";
	case Hostile::LinkToDevZero: return "link to /dev/zero";
	case Hostile::LinkToDevNull: return "link to /dev/null";
	case Hostile::LinkToSocket: return "link to a socket";
	case Hostile::LinkToFolder: return "link to a folder";
	case Hostile::DanglingLink: return "dangling link";
	case Hostile::LinkToFile: return "link to a file";
	}
	return "?";
}

/** The file type of what is at path, not following a link: S_IFIFO, S_IFLNK, ...; 0 when nothing is there. */
inline unsigned fileType(std::string const& path)
{
	struct stat info;
	return lstat(path.c_str(), &info) == 0 ? static_cast<unsigned>(info.st_mode & S_IFMT) : 0u;
}

/** Makes a socket file at path (bound, then closed: nobody listens). */
inline bool makeSocket(std::string const& path)
{
	// A socket's address is short (108 bytes): bound at a short name, then moved.
	char pattern[] = "/tmp/sockXXXXXX";
	int const fd = mkstemp(pattern);
	if (fd < 0)
		return false;
	close(fd);
	unlink(pattern);
	int const sock = socket(AF_UNIX, SOCK_STREAM, 0);
	if (sock < 0)
		return false;
	sockaddr_un address = {};
	address.sun_family = AF_UNIX;
	std::strncpy(address.sun_path, pattern, sizeof(address.sun_path) - 1);
	bool const bound = bind(sock, reinterpret_cast<sockaddr const*>(&address), sizeof(address)) == 0;
	close(sock);
	if (bound && std::rename(pattern, path.c_str()) == 0)
		return true;
	unlink(pattern);
	return false;
}

/**
 * Makes kind at path. outside is a folder outside the one tested, where the
 * links' targets are made (each under a name of its own, from path's file
 * name); the DanglingLink's target is outside + "/missing-<name>".
 * @return False when the kind cannot be made here (a device without the
 *         right to make one).
 */
inline bool makeHostile(Hostile kind, std::string const& path, std::string const& outside)
{
	std::string const name = path.substr(path.rfind('/') + 1);
	std::string const target = outside + "/" + name + "-target";
	switch (kind)
	{
	case Hostile::Fifo: return mkfifo(path.c_str(), 0644) == 0;
	case Hostile::Device: return mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
	case Hostile::Socket: return makeSocket(path);
	case Hostile::Folder: return mkdir(path.c_str(), 0755) == 0;
	case Hostile::LinkToFifo: return mkfifo(target.c_str(), 0644) == 0 && symlink(target.c_str(), path.c_str()) == 0;
	case Hostile::LinkToDevZero: return symlink("/dev/zero", path.c_str()) == 0;
	case Hostile::LinkToDevNull: return symlink("/dev/null", path.c_str()) == 0;
	case Hostile::LinkToSocket: return makeSocket(target) && symlink(target.c_str(), path.c_str()) == 0;
	case Hostile::LinkToFolder: return mkdir(target.c_str(), 0755) == 0 && symlink(target.c_str(), path.c_str()) == 0;
	case Hostile::DanglingLink: return symlink((outside + "/missing-" + name).c_str(), path.c_str()) == 0;
	case Hostile::LinkToFile:
	{
		FILE* file = std::fopen(target.c_str(), "wb");
		if (!file)
			return false;
		std::fputs("outside = 1\n", file);
		std::fclose(file);
		return symlink(target.c_str(), path.c_str()) == 0;
	}
	}
	return false;
}

/** The file type makeHostile(kind, ...) leaves at its path (fileType). */
inline unsigned hostileType(Hostile kind)
{
	switch (kind)
	{
	case Hostile::Fifo: return S_IFIFO;
	case Hostile::Device: return S_IFCHR;
	case Hostile::Socket: return S_IFSOCK;
	case Hostile::Folder: return S_IFDIR;
	default: return S_IFLNK;
	}
}

} // namespace test
