#!/usr/bin/env python3
"""Fails when a translation file lags behind the sources or leaves a text untranslated.

lupdate reads the sources into a copy of each translations/vidmarro_<lang>.ts; a text it adds or
drops there is one the committed file lacks. Every text must then have its translation, with the
same placeholders, and a mnemonic where the source has one.
Usage: ts_current.py LUPDATE SOURCE_ROOT -- LUPDATE_OPTIONS... -- FOLDERS...
"""

import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

lupdate, root = sys.argv[1], os.path.abspath(sys.argv[2])
rest = sys.argv[3:]
split = [i for i, a in enumerate(rest) if a == "--"]
options, folders = rest[split[0] + 1:split[1]], rest[split[1] + 1:]


def messages(path):
    """(context, source, comment) -> translation element of every current message."""
    out = {}
    for context in ET.parse(path).getroot().iter("context"):
        name = context.findtext("name")
        for m in context.iter("message"):
            tr = m.find("translation")
            if tr.get("type") in ("obsolete", "vanished"):
                continue
            key = (name, "".join(m.find("source").itertext()), m.findtext("comment") or "")
            out[key] = tr
    return out


def mnemonic(text):
    return re.search(r"&[^&\s]", text.replace("&&", "")) is not None


failures = []
files = sorted(glob.glob(os.path.join(root, "translations", "vidmarro_*.ts")))
if not files:
    failures.append("no translations/vidmarro_<lang>.ts")
for ts in files:
    lang = os.path.basename(ts)
    with tempfile.TemporaryDirectory() as tmp:
        fresh = os.path.join(tmp, lang)
        shutil.copy(ts, fresh)
        subprocess.run([lupdate, *options, *folders, "-ts", fresh], cwd=root, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        now, kept = messages(fresh), messages(ts)
    for key in sorted(now.keys() - kept.keys()):
        failures.append(f"{lang}: new or changed source text, run the update_translations target: {key[0]}: {key[1]!r}")
    for key in sorted(kept.keys() - now.keys()):
        failures.append(f"{lang}: text no longer in the sources: {key[0]}: {key[1]!r}")
    for (context, source, _), tr in sorted(kept.items()):
        text = "".join(tr.itertext())
        where = f"{lang}: {context}: {source!r}"
        if tr.get("type") == "unfinished" or not text:
            failures.append(f"{where} has no translation")
            continue
        if sorted(re.findall(r"%\d", source)) != sorted(re.findall(r"%\d", text)):
            failures.append(f"{where}: placeholders differ in {text!r}")
        if mnemonic(source) != mnemonic(text):
            failures.append(f"{where}: mnemonic lost or added in {text!r}")

print("\n".join(failures) or f"{len(files)} translation file(s) current and complete")
sys.exit(1 if failures else 0)
