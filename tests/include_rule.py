#!/usr/bin/env python3
"""Fails on an #include that crosses the folders' dependency rule.

Every target sees the source root, so linking alone does not stop a header crossing; this reads
the includes themselves. Usage: include_rule.py [SOURCE ROOT]
"""

import os
import re
import sys

ROOT = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
FOLDERS = ("common", "playlist", "platform", "player", "clipmanager", "editor", "app")
PLATFORM = ("platform/Services.h", "platform/module/", "platform/media/", "platform/files/",
            "platform/desktop/", "platform/ui/")
WINDOWS = ("common/", "playlist/") + PLATFORM

# The folder a file is in (longest match first) -> what it may include besides its own folder.
RULES = [
    ("platform/module/lib", ("platform/module/ModuleApi.h",)),
    ("platform/module", ("common/",)),
    ("platform/ui", ("common/",)),
    ("platform/desktop", ("common/",)),
    ("platform/files", ("common/", "platform/module/", "platform/ui/")),
    ("platform/media", ("common/", "playlist/", "platform/module/")),
    ("platform", PLATFORM + ("common/", "playlist/")),
    ("common", ()),
    ("playlist", ("common/",)),
    ("player", WINDOWS),
    ("clipmanager", WINDOWS),
    ("editor", WINDOWS),
    ("app", tuple(f + "/" for f in FOLDERS)),
]
# Never, whatever the table allows: the module's own sources outside the module, and the libmpv
# class in a window (the windows use the control's interface).
NEVER = [
    (("player", "clipmanager", "editor", "app", "platform/media", "platform/files", "platform/module/ModuleLoader"),
     "platform/module/lib/"),
    (("player", "clipmanager", "editor"), "platform/media/MpvPlayer.h"),
]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def allowed(src, target):
    if any(src.startswith(who) and target.startswith(what) for whos, what in NEVER for who in whos):
        return False
    for folder, may in RULES:
        if src.startswith(folder + "/"):
            own = os.path.dirname(src) + "/"
            if target.startswith(own) and "/" not in target[len(own):]:
                return True
            return any(target == m or (m.endswith("/") and target.startswith(m)) for m in may)
    return True


def main():
    bad = []
    checked = 0
    for top in FOLDERS:
        for base, _, names in os.walk(os.path.join(ROOT, top)):
            for name in names:
                if not name.endswith((".h", ".cpp", ".c")):
                    continue
                path = os.path.join(base, name)
                src = os.path.relpath(path, ROOT)
                with open(path, encoding="utf-8", errors="replace") as fh:
                    for n, line in enumerate(fh, 1):
                        m = INCLUDE.match(line)
                        if not m:
                            continue
                        target = m.group(1)
                        if "/" not in target:
                            # Beside the file, or generated (ui_*.h, *.moc): only a file of ours counts.
                            if not os.path.exists(os.path.join(base, target)):
                                continue
                            target = os.path.join(os.path.dirname(src), target)
                        elif target.startswith("."):
                            target = os.path.normpath(os.path.join(os.path.dirname(src), target))
                        elif target.split("/")[0] not in FOLDERS:
                            continue
                        checked += 1
                        if not allowed(src, target):
                            bad.append(f"{src}:{n}: includes {target}")
    for line in bad:
        print(line)
    print(f"{checked} includes checked, {len(bad)} across the rule")
    return 1 if bad or not checked else 0


if __name__ == "__main__":
    sys.exit(main())
