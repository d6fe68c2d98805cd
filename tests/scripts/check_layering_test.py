#!/usr/bin/env python3
"""Runs the layering check on small trees, each with one planted include.

    check_layering_test.py path/to/check-layering.py
"""

import os
import subprocess
import sys
import tempfile

# Headers every tree holds, so that the planted includes resolve.
HEADERS = [
	"source/lang/L.h",
	"source/gr/C.h",
	"source/gr/gl/G.h",
	"source/gr/gl/gles1/E1.h",
	"source/gr/gl/gles2/E2.h",
	"source/framework/F.h",
	"source/pf/P.h",
	"source/lua/webview/W.h",
	"source/framework/linux/B.h",
	"source/audio/dummy/D.h",
	"source/audio/S.h",
	"Classes/linux/X.h",
	"Classes/Agent.h",
	"tests/support/Fake.h",
	"dependencies/RatePrompt/R.h",
	"source/net/N.h",
	"common/source/GameLua.h",
	"common/source/GameApp.h",
	"common/source/S.h",
	"common/source/host/V.h",
	"common/source/api/AApi.h",
]

# (includer, include line, expected exit code, expected reason or None)
CASES = [
	("source/img/A.cpp", "#include <lang/L.h>", 0, None),
	("source/gr/gl/A.cpp", '#include "../C.h"', 0, None),
	("source/gr/A.cpp", "#include <framework/linux/B.h>", 1, "gr may not include framework"),
	("source/lang/A.cpp", "#include <gr/C.h>", 1, "lang may not include gr"),
	("source/gr/A.cpp", '#include "gl/G.h"', 1, "gr may not include gr/gl"),
	("source/gr/gl/gles1/A.cpp", "#include <gr/gl/G.h>", 0, None),
	("source/gr/gl/gles2/A.cpp", '#include "../G.h"', 0, None),
	("source/gr/gl/gles1/A.cpp", "#include <gr/C.h>", 0, None),
	("source/gr/gl/gles2/A.cpp", "#include <lang/L.h>", 0, None),
	("source/gr/gl/A.cpp", "#include <gr/gl/gles1/E1.h>", 1, "gr/gl may not include gr/gl/gles1"),
	("source/gr/gl/A.cpp", '#include "gles2/E2.h"', 1, "gr/gl may not include gr/gl/gles2"),
	("source/gr/gl/gles1/A.cpp", "#include <gr/gl/gles2/E2.h>", 1, "gr/gl/gles1 may not include gr/gl/gles2"),
	("source/gr/gl/gles2/A.cpp", '#include "../gles1/E1.h"', 1, "gr/gl/gles2 may not include gr/gl/gles1"),
	("source/framework/A.cpp", "#include <gr/gl/gles2/E2.h>", 1, "framework may not include gr/gl/gles2"),
	("source/io/A.cpp", "#include <support/Fake.h>", 1, "io may not include tests"),
	("source/io/A.cpp", "#include <stdio.h>", 0, None),
	("source/framework/A.cpp", "#include <framework/linux/B.h>", 0, None),
	("source/framework/linux/A.cpp", "  #  include <framework/F.h>", 0, None),
	("source/game/A.cpp", "#include <framework/linux/B.h>", 1, "platform folder framework/linux"),
	("source/audio/OpenAL/A.cpp", "#include <audio/dummy/D.h>", 0, None),
	("source/game/A.cpp", "#include <audio/dummy/D.h>", 1, "platform folder audio/dummy"),
	("source/audio/A.cpp", "#include <framework/F.h>", 1, "audio may not include framework"),
	("source/audio/OpenAL/A.cpp", "#include <framework/F.h>", 1, "audio may not include framework"),
	("source/framework/linux/A.cpp", "#include <audio/S.h>", 0, None),
	("source/framework/A.cpp", "#include <audio/S.h>", 1, "framework may not include audio"),
	("Classes/Agent.cpp", "#include <linux/X.h>", 0, None),
	("Classes/Networking/A.cpp", "#include <gr/C.h>", 1, "Classes may not include gr"),
	("common/source/api/A.cpp", "#include <framework/linux/B.h>", 1, "platform folder framework/linux"),
	("common/source/api/A.cpp", "#include <framework/F.h>", 0, None),
	("common/source/api/A.cpp", "#include <RatePrompt/R.h>", 0, None),
	("common/source/api/A.cpp", "#include <support/Fake.h>", 1, "common/source/api may not include tests"),
	("common/source/api/A.cpp", "#include <host/V.h>", 0, None),
	("common/source/api/A.cpp", "#include <GameLua.h>", 1, "common/source/api may not include GameLua.h"),
	("common/source/GameLua.cpp", "#include <host/V.h>", 0, None),
	("common/source/host/A.cpp", "#include <S.h>", 0, None),
	("common/source/host/A.cpp", "#include <framework/F.h>", 0, None),
	("common/source/host/A.cpp", "#include <RatePrompt/R.h>", 0, None),
	("common/source/host/A.cpp", "#include <GameLua.h>", 1, "common/source/host may not include GameLua.h"),
	("common/source/host/A.cpp", '#include "../GameApp.h"', 1, "common/source/host may not include GameApp.h"),
	("common/source/host/more/A.h", "#include <GameApp.h>", 1, "common/source/host may not include GameApp.h"),
	("common/source/host/A.cpp", "#include <api/AApi.h>", 1, "common/source/host may not include api/AApi.h"),
	("common/source/GameLua.cpp", "#include <api/AApi.h>", 0, None),
	# The helpers of common/source serve the areas: they never reach up into
	# them, their Lua faces or the files that assemble the host; those alone
	# include host/ and api/.
	("common/source/A.cpp", "#include <host/V.h>", 1, "common/source may not include common/source/host"),
	("common/source/A.h", '#include "host/V.h"', 1, "common/source may not include common/source/host"),
	("common/source/A.cpp", "#include <api/AApi.h>", 1, "common/source may not include common/source/api"),
	("common/source/A.cpp", "#include <GameLua.h>", 1, "common/source may not include GameLua.h"),
	("common/source/A.cpp", '#include "GameApp.h"', 1, "common/source may not include GameApp.h"),
	("common/source/GameLuaRows.cpp", "#include <host/V.h>", 1, "common/source may not include common/source/host"),
	("common/source/more/GameLua.cpp", "#include <host/V.h>", 1, "common/source may not include common/source/host"),
	("common/source/A.cpp", "#include <S.h>", 0, None),
	("common/source/A.cpp", "#include <RatePrompt/R.h>", 0, None),
	("common/source/GameApp.h", "#include <host/V.h>", 0, None),
	("common/source/GameApp.cpp", "#include <GameLua.h>", 0, None),
	("common/source/FrameLoop.cpp", "#include <host/V.h>", 0, None),
	("common/source/GameHooks.cpp", "#include <GameApp.h>", 0, None),
	("common/source/GameLua.cpp", "#include <S.h>", 0, None),
	("common/source/GameLua.cpp", "#include <framework/linux/B.h>", 1, "platform folder framework/linux"),
	("common/source/GameApp.cpp", "#include <support/Fake.h>", 1, "may not include tests"),
	("common/source/host/A.cpp", "#include <framework/linux/B.h>", 1, "platform folder framework/linux"),
	("common/source/host/A.cpp", "#include <support/Fake.h>", 1, "common/source/host may not include tests"),
	("source/framework/linux/A.cpp", "#include <Agent.h>", 0, None),
	("source/framework/A.cpp", "#include <Agent.h>", 1, "framework may not include Classes"),
	("source/lua/webview/A.cpp", "#include <pf/P.h>", 0, None),
	("source/lua/A.cpp", "#include <pf/P.h>", 1, "lua may not include pf"),
	("source/pf/A.cpp", "#include <lua/webview/W.h>", 1, "pf may not include lua/webview"),
	("dependencies/RatePrompt/A.cpp", "#include <gr/C.h>", 0, None),
	("dependencies/RatePrompt/A.cpp", "#include <framework/F.h>", 1, "dependencies/RatePrompt may not include framework"),
	("Classes/Networking/A.cpp", "#include <net/N.h>", 0, None),
	("source/net/A.cpp", "#include <framework/F.h>", 1, "net may not include framework"),
	("source/pf/A.cpp", "#include <RatePrompt/R.h>", 1, "pf may not include dependencies/RatePrompt"),
	("source/newfolder/A.cpp", "#include <lang/L.h>", 2, "not in the layering table"),
]


def write(root, rel, text):
	path = os.path.join(root, rel)
	os.makedirs(os.path.dirname(path), exist_ok=True)
	with open(path, "w") as f:
		f.write(text)


def main():
	script = sys.argv[1]
	failures = 0
	for includer, line, code, reason in CASES:
		with tempfile.TemporaryDirectory() as root:
			for h in HEADERS:
				write(root, h, "#pragma once\n")
			write(root, includer, "// planted\n" + line + "\n")
			run = subprocess.run([sys.executable, script, root], capture_output=True, text=True)
			problems = []
			if run.returncode != code:
				problems.append("exit code %d, expected %d" % (run.returncode, code))
			if reason is not None and reason not in run.stdout:
				problems.append("no \"%s\"" % reason)
			if code == 1 and "%s:2: %s" % (includer, line.strip()) not in run.stdout:
				problems.append("the offending file:line and include are not printed")
			if code == 0 and run.stdout:
				problems.append("unexpected output")
			if problems:
				failures += 1
				print("FAIL %s: %s: %s\n%s" % (includer, line, "; ".join(problems), run.stdout))
	print("%d of %d cases failed" % (failures, len(CASES)))
	return 1 if failures else 0


if __name__ == "__main__":
	sys.exit(main())
