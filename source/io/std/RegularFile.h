#pragma once

#include <string>

namespace io
{

/**
 * What is at path, seen without following a link: "" for a regular file or
 * nothing at all, else "a link", "a folder", "a FIFO", "a character
 * device", "a block device", "a socket" (or "not a regular file" for any
 * other kind). Never opens anything.
 */
std::string notRegularKind(std::string const& path);

/**
 * Opens path only when it is a regular file, in a way that can neither block
 * nor leave the path's folder: a link at the path is not followed (nor
 * created through, with O_CREAT), and a FIFO or device opens without
 * waiting (O_NONBLOCK) and is then refused, before anything is read or
 * written; O_NONBLOCK is cleared on a regular file before it is returned.
 * flags are open(2)'s access mode with O_CREAT, O_EXCL or O_TRUNC as
 * wanted; O_CLOEXEC and O_NOCTTY are always added.
 * @return The descriptor; -1 when it did not open, with errno set and kind
 *         empty, or with kind set (notRegularKind) when something other
 *         than a regular file is there.
 */
int openRegularFile(std::string const& path, int flags, unsigned mode, std::string& kind);

/**
 * Makes the folders of the relative path folder below root that are not
 * there yet, one by one and never through a link: each part that is there
 * must be a folder itself (not a link to one), and no part may be "..", so
 * that nothing is made or reached outside root. root itself is taken as it
 * is.
 * @exception IOException "Cannot make the folder <path>: it is <kind>, not a
 *            folder" ("a link", see notRegularKind), "...: it leaves <root>",
 *            or with the system's reason.
 */
void makeFoldersWithin(std::string const& root, std::string const& folder);

} // io
