#!/usr/bin/env python3
"""Checks that the README's map of folders matches the tree.

    check-folder-map.py [project-root]     (default: the folder above scripts/)

The map is the table under the README's "## Where things are": one row a
folder, its first cell the folder's path in backticks ("| `source/lang/` |
..."). Every folder of the tree has its row, and every row names a folder
that exists. Not mapped: the build folders (build/ and build-*/), hidden
folders other than .ci, and the folders inside tests/ and bench/, which
take the names of the libraries they test and measure.

Prints each fault as "README.md: ..." and exits 1 when there is one, 0
otherwise.
"""

import os
import re
import sys

HEADING = "## Where things are"
ROW = re.compile(r"^\|\s*`([^`]+)`\s*\|")
# Folders whose inner folders the map leaves out.
UNMAPPED_INSIDE = ("tests", "bench")


def mapped_folders(readme):
	"""The folders of the map's rows, in order, without their trailing "/"."""
	rows = []
	inside = False
	for line in readme.splitlines():
		if line.startswith("## "):
			inside = line.strip() == HEADING
			continue
		if inside:
			match = ROW.match(line)
			if match:
				rows.append(match.group(1).rstrip("/"))
	return rows


def tree_folders(root):
	"""Every folder of the tree that needs a row, as a path below root."""
	found = []
	for folder, subfolders, _ in os.walk(root):
		rel = os.path.relpath(folder, root)
		keep = []
		for name in sorted(subfolders):
			path = name if rel == "." else rel + "/" + name
			if rel == "." and (name == "build" or name.startswith("build-")):
				continue
			if name.startswith(".") and name != ".ci":
				continue
			if os.path.islink(os.path.join(folder, name)):
				continue
			keep.append(name)
			if rel.split("/")[0] not in UNMAPPED_INSIDE or rel == ".":
				found.append(path)
		subfolders[:] = keep
	return found


def main():
	root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
	readme_path = os.path.join(root, "README.md")
	try:
		with open(readme_path, encoding="utf-8") as f:
			readme = f.read()
	except OSError as e:
		print("README.md: cannot be read: %s" % e.strerror)
		return 1
	rows = mapped_folders(readme)
	faults = []
	if not rows:
		faults.append("no map of folders under \"%s\"" % HEADING)
	seen = set()
	for row in rows:
		if row in seen:
			faults.append("folder %s/ has two rows in the map" % row)
		seen.add(row)
		if not os.path.isdir(os.path.join(root, row)):
			faults.append("the map names %s/, which is not a folder of the tree" % row)
	for folder in tree_folders(root):
		if folder not in seen:
			faults.append("folder %s/ has no row in the map" % folder)
	for fault in faults:
		print("README.md: " + fault)
	return 1 if faults else 0


if __name__ == "__main__":
	sys.exit(main())
