#!/usr/bin/env python3
"""Runs the folder-map check on small trees, each with one planted fault.

    check_folder_map_test.py path/to/check-folder-map.py
"""

import os
import subprocess
import sys
import tempfile

# The folders every tree holds, each with its row in the map.
FOLDERS = ["source", "source/lang", "tests", "bench", ".ci"]

# Folders every tree holds that need no row: inside tests/ and bench/, the
# build folders, hidden folders.
UNMAPPED = ["tests/lang", "tests/lang/data", "bench/lang", "build", "build/test", "build-gcc", ".git"]

# (folders to add, rows to add, README text in place of the usual one or
# None, expected exit code, expected fault or None)
CASES = [
	([], [], None, 0, None),
	(["source/gr"], [], None, 1, "folder source/gr/ has no row in the map"),
	(["source/lang/std"], [], None, 1, "folder source/lang/std/ has no row in the map"),
	([], ["source/gr"], None, 1, "the map names source/gr/, which is not a folder of the tree"),
	([], ["source/lang"], None, 1, "folder source/lang/ has two rows in the map"),
	(["source/gr"], ["source/gr"], None, 0, None),
	([], [], "# Engine\n\nNo map.\n", 1, "no map of folders"),
	# A row of another table is not a row of the map.
	(["data"], [], "MAP\n## Another table\n\n| `data/` | the data |\n", 1, "folder data/ has no row in the map"),
]


def readme(rows):
	lines = ["# Engine", "", "## Where things are", "", "| Folder | What it holds |", "|---|---|"]
	lines += ["| `%s/` | something |" % row for row in rows]
	lines += ["", "## Set-up commands", "", "| `not/a/folder` | outside the map |", ""]
	return "\n".join(lines)


def main():
	script = sys.argv[1]
	failures = 0
	for folders, rows, text, code, fault in CASES:
		with tempfile.TemporaryDirectory() as root:
			for folder in FOLDERS + UNMAPPED + folders:
				os.makedirs(os.path.join(root, folder), exist_ok=True)
			usual = readme(FOLDERS + rows)
			if text is None:
				text = usual
			text = text.replace("MAP\n", usual)
			with open(os.path.join(root, "README.md"), "w") as f:
				f.write(text)
			run = subprocess.run([sys.executable, script, root], capture_output=True, text=True)
			problems = []
			if run.returncode != code:
				problems.append("exit code %d, expected %d" % (run.returncode, code))
			if fault is not None and "README.md: " + fault not in run.stdout:
				problems.append("no \"%s\"" % fault)
			if code == 0 and run.stdout:
				problems.append("unexpected output")
			if problems:
				failures += 1
				print("FAIL %s %s: %s\n%s" % (folders, rows, "; ".join(problems), run.stdout))
	print("%d of %d cases failed" % (failures, len(CASES)))
	return 1 if failures else 0


if __name__ == "__main__":
	sys.exit(main())
