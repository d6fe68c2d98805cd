#!/usr/bin/env python3
"""Checks that no folder includes a folder it may not.

    check-layering.py [project-root]     (default: the folder above scripts/)

Reads every source file of the engine (source/), the analytics agent
(Classes/), the game host (common/source/) and the bundled components
(dependencies/), resolves each #include
against the include roots and prints each include that breaks the table
below as "file:line: #include ...: why". Exits 1 when there is one, 2 when
a file lies in a folder the table does not know, 0 otherwise.

Includes that resolve to no file of the project (system and library
headers) are not checked.
"""

import fnmatch
import os
import re
import sys

# The files of the game host that assemble it from its areas and their Lua
# faces (layer paths): a layer of their own above the areas, the only files
# of common/source that include host/ and api/. The rest of common/source
# are the helpers the areas stand on.
ASSEMBLY = "common/source assembly"
ASSEMBLING_FILES = [
	"common/source/GameLua.h",
	"common/source/GameLua.cpp",
	"common/source/GameApp.h",
	"common/source/GameApp.cpp",
	"common/source/FrameLoop.cpp",
	"common/source/GameHooks.cpp",
]

# What each folder may include besides itself. Allowance is transitive: a
# folder may also include whatever the folders it names may include. Keys
# are folders below source/, or the other roots ("Classes",
# "common/source", "dependencies/RatePrompt"); the longest key that holds
# a file decides its layer, but for the assembling files (ASSEMBLY).
# A new folder needs a row here before its first file.
ALLOWED = {
	"lang": [],
	"math": ["lang"],
	"io": ["lang"],
	"util": ["io", "lang"],
	"lua": ["util", "io", "math", "lang"],
	"gr": ["io", "math", "lang"],
	"img": ["gr"],
	"gr/gl": ["img", "gr"],
	# The OpenGL ES back ends stand on the GL code they share, never on each
	# other; the shared code never reaches into either.
	"gr/gl/gles1": ["gr/gl"],
	"gr/gl/gles2": ["gr/gl"],
	"pf": ["gr/gl", "lua"],
	# The web view's Lua module sits above the platform services it wraps.
	"lua/webview": ["pf", "lua"],
	"framework": ["pf", "gr/gl", "lua"],
	"game": ["framework", "audio"],
	# Sound stands on streams alone; the clock a headless run mixes on is
	# audio's own (the Linux shell drives it, see PLATFORM_ALLOWED).
	"audio": ["io", "lang"],
	# HTTP over libcurl needs only streams; the analytics agent shares its
	# one libcurl set-up.
	"net": ["io", "lang"],
	"tally": ["framework", "Classes"],
	"Classes": ["lang", "io", "util", "math", "net"],
	"common/physics": ["lang"],
	"common/decomp": ["lang"],
	"dependencies/RatePrompt": ["pf", "net", "io", "lang"],
	# The game host stands on everything above, through the interfaces: no
	# platform folder. Its helpers (the cipher, the save and shipped files,
	# ...) serve the areas and never reach up into them.
	"common/source": ["game", "audio", "net", "tally", "lua/webview", "common/physics", "common/decomp",
		"dependencies/RatePrompt"],
	# The host's areas: plain C++ over the layers below and the helpers; they
	# never reach up into the script host or the application (see REFUSED).
	"common/source/host": ["game", "audio", "net", "tally", "lua/webview", "common/physics", "common/decomp",
		"dependencies/RatePrompt", "common/source"],
	# The Lua faces of the areas.
	"common/source/api": ["common/source", "common/source/host"],
	# The script host, the application, the frame loop and the hooks put the
	# areas and their faces together.
	ASSEMBLY: ["common/source/api", "common/source/host", "common/source"],
}

# Files a layer may not include although the table above lets it reach
# their folder, by layer path (fnmatch patterns).
REFUSED = {
	# The areas never reach up into the script host, the application or the
	# Lua faces that bind them.
	"common/source/host": ["common/source/GameLua.h", "common/source/GameApp.h", "common/source/api/*"],
	# The Lua faces bind the areas' members: they never reach the host itself.
	"common/source/api": ["common/source/GameLua.h", "common/source/GameApp.h"],
	# The helpers never reach the files that assemble the host.
	"common/source": ["common/source/GameLua.h", "common/source/GameApp.h"],
}

# Layers a platform folder may include beyond those of its parent's layer
# (the folder itself stays in its parent's layer).
PLATFORM_ALLOWED = {
	# The Linux shell tells the analytics agent of the application's life;
	# its headless host moves the sound clock by each tick.
	"framework/linux": ["Classes", "audio"],
}

# Platform folders: included only from their own parent folder, from
# themselves, from the other platform folders of that parent and from
# programs, tests and benchmarks.
PLATFORM_FOLDERS = ["*/linux", "audio/OpenAL", "audio/dummy"]

# Roots searched for <...> includes, in order, and the layer name prefix of
# the files below each: source/gr/Context.h is "gr/Context.h",
# Classes/linux/X.h is "Classes/linux/X.h".
INCLUDE_ROOTS = [
	("source", ""),
	("Classes", "Classes/"),
	("common/source", "common/source/"),
	("common/physics", "common/physics/"),
	("common/decomp", "common/decomp/"),
	("dependencies", "dependencies/"),
	("tests", None),  # test helpers: may be included by tests and benchmarks only
]
# Folders searched for <...> includes only: the physics layer and the convex
# decomposition are included as <physics/...> and <decomp/...> from common/.
EXTRA_INCLUDE_FOLDERS = ["common"]
# Programs (tools/), tests and benchmarks may include anything; they are not
# scanned.

SOURCE_SUFFIXES = (".h", ".hpp", ".c", ".cc", ".cpp", ".inl")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]')


def logical(root, path):
	"""The layer path of a project file (see INCLUDE_ROOTS), or None for tests, tools, bench."""
	rel = os.path.relpath(path, root).replace(os.sep, "/")
	for folder, prefix in INCLUDE_ROOTS:
		if prefix is not None and rel.startswith(folder + "/"):
			return prefix + rel[len(folder) + 1:]
	return None


def layer_of(name):
	"""ASSEMBLY for an assembling file, else the longest ALLOWED key holding the layer path name, or None."""
	if name in ASSEMBLING_FILES:
		return ASSEMBLY
	best = None
	for key in ALLOWED:
		if name.startswith(key + "/") and (best is None or len(key) > len(best)):
			best = key
	return best


def reachable(layer):
	"""Every layer that layer may include, itself among them."""
	seen = set()
	pending = [layer]
	while pending:
		cur = pending.pop()
		if cur in seen:
			continue
		seen.add(cur)
		pending.extend(ALLOWED.get(cur, []))
	return seen


def platform_folder(name):
	"""The innermost platform folder holding the layer path name, or None."""
	parts = name.split("/")[:-1]
	found = None
	for i in range(1, len(parts) + 1):
		folder = "/".join(parts[:i])
		if any(fnmatch.fnmatchcase(folder, p) for p in PLATFORM_FOLDERS):
			found = folder
	return found


def resolve(root, includer, quote, target):
	"""The project file an include names, or None for a system or library header."""
	candidates = []
	if quote == '"':
		candidates.append(os.path.join(os.path.dirname(includer), target))
	for folder, _ in INCLUDE_ROOTS:
		candidates.append(os.path.join(root, folder, target))
	for folder in EXTRA_INCLUDE_FOLDERS:
		candidates.append(os.path.join(root, folder, target))
	for c in candidates:
		if os.path.isfile(c):
			return os.path.normpath(c)
	return None


def dst_root(name):
	"""The layer path prefix of the include root holding name ("" for source/)."""
	best = ""
	for _, prefix in INCLUDE_ROOTS:
		if prefix and name.startswith(prefix) and len(prefix) > len(best):
			best = prefix
	return best


def check_include(root, includer_name, target_path):
	"""Why including target_path from layer path includer_name is refused, or None."""
	src_layer = layer_of(includer_name)
	if src_layer is None:
		return None
	allowed = reachable(src_layer)
	for extra in PLATFORM_ALLOWED.get(platform_folder(includer_name), []):
		allowed |= reachable(extra)
	target_name = logical(root, target_path)
	if target_name is None:
		rel = os.path.relpath(target_path, root).replace(os.sep, "/")
		return "%s may not include %s" % (src_layer, rel.split("/")[0])
	if any(fnmatch.fnmatchcase(target_name, p) for p in REFUSED.get(src_layer, [])):
		return "%s may not include %s" % (src_layer, target_name[len(dst_root(target_name)):])
	dst_layer = layer_of(target_name)
	if dst_layer not in allowed:
		return "%s may not include %s" % (src_layer, dst_layer)
	platform = platform_folder(target_name)
	if platform:
		parent = platform.rsplit("/", 1)[0] if "/" in platform else ""
		here = includer_name.rsplit("/", 1)[0]
		# A platform folder's own parent and the other platform folders of
		# that parent (an output and the session it reports to) may include it.
		sibling = platform_folder(includer_name)
		sibling_parent = sibling.rsplit("/", 1)[0] if sibling and "/" in sibling else None
		if here != parent and here != platform and not here.startswith(platform + "/") and sibling_parent != parent:
			return "platform folder %s is included only by %s, its other platform folders and programs" % (platform, parent or "its parent")
	return None


def source_files(root):
	for folder, prefix in INCLUDE_ROOTS:
		if prefix is None:
			continue
		top = os.path.join(root, folder)
		for dirpath, dirnames, filenames in os.walk(top):
			dirnames.sort()
			for f in sorted(filenames):
				if f.endswith(SOURCE_SUFFIXES):
					yield os.path.join(dirpath, f)


def main(argv):
	root = os.path.abspath(argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
	faults = 0
	unknown = 0
	for path in source_files(root):
		name = logical(root, path)
		rel = os.path.relpath(path, root)
		if layer_of(name) is None:
			print("%s: folder not in the layering table of scripts/check-layering.py" % rel)
			unknown += 1
			continue
		with open(path, encoding="utf-8", errors="replace") as f:
			for number, line in enumerate(f, 1):
				m = INCLUDE.match(line)
				if not m:
					continue
				target = resolve(root, path, m.group(1), m.group(2))
				if target is None:
					continue
				why = check_include(root, name, target)
				if why:
					print("%s:%d: %s: %s" % (rel, number, line.strip(), why))
					faults += 1
	if unknown:
		return 2
	return 1 if faults else 0


if __name__ == "__main__":
	sys.exit(main(sys.argv))
