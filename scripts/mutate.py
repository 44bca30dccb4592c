#!/usr/bin/env python3
"""Mutation runner: do the tests notice small faults put into the lines a change touched?

    scripts/mutate.py --range A..B [-- FILE...]     # the lines A..B changed (in those files)
    scripts/mutate.py FILE...                       # every line of those files
Options: --tests REGEX (the ctest subset to run, default all), --command CMD (a test command
instead, run in the build folder; non-zero exit = caught), --max N (mutants, spread over the
lines), --seed S, --build DIR (default build-mutate), --cmake-arg ARG (repeatable), --list.

Each mutant (a flipped comparison or boolean, && and || swapped, a dropped call, `!` or early
return, a constant changed by one, a default returned) is built incrementally in a copy of the
tree under the build folder, never in the work tree, and its line printed as
    file:line  change  caught by TEST | survived | not compiled
with the score (caught / compiled) at the end. It never runs in CI: it builds once per mutant.
Only tests of behaviour count: the layout checks are left out of a mutant's run, and the tests
that failed are run again by name, so that a mutant is caught only when they fail twice.
"""

import argparse
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

ROOT = subprocess.run(["git", "rev-parse", "--show-toplevel"], cwd=os.path.dirname(os.path.abspath(__file__)),
                      capture_output=True, text=True, check=True).stdout.strip()
SOURCES = (".cpp", ".h", ".c")
# Checks of the sources' layout, not of the program's behaviour: a mutant never fails them for a
# reason of its own.
LAYOUT_TESTS = ("tst_format", "tst_include_rule")


def git(*args):
    return subprocess.run(["git", *args], cwd=ROOT, capture_output=True, text=True, check=True).stdout


def touched_lines(rng, files):
    """{file: set of line numbers} of the lines the range added or changed (new side)."""
    out, current = {}, None
    for line in git("diff", "-U0", "--no-color", rng, "--", *files).splitlines():
        if line.startswith("+++ "):
            current = line[6:] if line.startswith("+++ b/") else None
        elif line.startswith("@@") and current:
            m = re.match(r"@@ -\S+ \+(\d+)(?:,(\d+))? @@", line)
            start, count = int(m.group(1)), int(m.group(2) or "1")
            out.setdefault(current, set()).update(range(start, start + count))
    return {f: l for f, l in out.items() if f.endswith(SOURCES) and os.path.exists(os.path.join(ROOT, f))}


# What a line must not be for any mutant: comments, preprocessor lines, blank.
def skippable(text):
    s = text.strip()
    return not s or s.startswith(("//", "#", "/*", "*")) or s.startswith("static_assert")


def code_part(text):
    """The line without a trailing // comment and with string literals blanked, for matching."""
    out, i, quote = [], 0, None
    while i < len(text):
        c = text[i]
        if quote:
            out.append(" " if c != quote else c)
            if c == "\\":
                out.append(" ")
                i += 1
            elif c == quote:
                quote = None
        elif c in "\"'":
            quote = c
            out.append(c)
        elif text.startswith("//", i):
            break
        else:
            out.append(c)
        i += 1
    return "".join(out)


SWAPS = [(" == ", " != "), (" != ", " == "), (" <= ", " > "), (" >= ", " < "), (" < ", " >= "),
         (" > ", " <= "), (" && ", " || "), (" || ", " && ")]
CALL = re.compile(r"^(\s*)(?:[A-Za-z_][\w:]*(?:\.|->))*[A-Za-z_][\w:]*\(.*\);\s*$")
KEYWORDS = ("return", "if", "for", "while", "switch", "case", "delete", "throw", "co_return", "else", "do")


def balanced(s):
    depth = 0
    for c in s:
        depth += c == "("
        depth -= c == ")"
        if depth < 0:
            return False
    return depth == 0


def mutants_of(text):
    """[(description, new line)] for one line of code."""
    code = code_part(text)
    found = []

    def at(pos, old, new, what):
        found.append((what, text[:pos] + new + text[pos + len(old):]))

    for old, new in SWAPS:
        for m in re.finditer(re.escape(old), code):
            at(m.start(), old, new, f"'{old.strip()}' -> '{new.strip()}'")
    for m in re.finditer(r"\b(true|false)\b", code):
        at(m.start(), m.group(1), "false" if m.group(1) == "true" else "true", f"{m.group(1)} flipped")
    for m in re.finditer(r"!(?=[A-Za-z_(])", code):
        at(m.start(), "!", "", "'!' dropped")
    for m in re.finditer(r"(?<![\w.])(\d+)(?![\w.'])", code):
        n = int(m.group(1))
        at(m.start(), m.group(1), str(n + 1), f"{n} -> {n + 1}")
    stripped = code.strip()
    first = re.match(r"[A-Za-z_]\w*", stripped)
    if CALL.match(code) and balanced(stripped) and " = " not in stripped and not (first and first.group(0) in KEYWORDS):
        found.append(("call dropped", re.match(r"\s*", text).group(0) + "; // mutant\n"))
    if re.match(r"^\s*return;\s*$", code) or re.match(r"^\s*(continue|break);\s*$", code):
        found.append((f"'{stripped}' dropped", re.match(r"\s*", text).group(0) + "; // mutant\n"))
    m = re.match(r"^(\s*)return (.+);\s*$", code)
    if m and m.group(2).strip() not in ("{}", "true", "false", "nullptr", "0"):
        found.append(("default returned", m.group(1) + "return {};\n"))
    return [(w, t if t.endswith("\n") else t + "\n") for w, t in found]


def read_lines(f, rev):
    if rev:
        data = subprocess.run(["git", "show", f"{rev}:{f}"], cwd=ROOT, capture_output=True, check=True).stdout
    else:
        with open(os.path.join(ROOT, f), "rb") as fh:
            data = fh.read()
    return data.decode("utf-8", errors="surrogateescape").splitlines(keepends=True)


def collect(lines_by_file, cap, seed, rev):
    everything = []
    for f in sorted(lines_by_file):
        text = read_lines(f, rev)
        for n in sorted(lines_by_file[f]):
            if n - 1 < len(text) and not skippable(text[n - 1]):
                for what, new in mutants_of(text[n - 1]):
                    everything.append((f, n, what, new))
    if cap and len(everything) > cap:
        # Spread over the lines: one mutant per line first, in a seeded order.
        rnd = random.Random(seed)
        rnd.shuffle(everything)
        seen, first, rest = set(), [], []
        for m in everything:
            (rest if (m[0], m[1]) in seen else first).append(m)
            seen.add((m[0], m[1]))
        everything = sorted((first + rest)[:cap], key=lambda m: (m[0], m[1]))
    return everything


def sync_copy(src_dir, rev=None):
    """The tree's files (tracked and new, not ignored; or those of commit `rev`) copied to src_dir;
    unchanged files keep their time stamps, so the build stays incremental from one run to the
    next."""
    if rev:
        files = git("ls-tree", "-r", "-z", "--name-only", rev).split("\0")
    else:
        files = git("ls-files", "-co", "--exclude-standard", "-z").split("\0")
    wanted = set(filter(None, files))
    for f in sorted(wanted):
        b = os.path.join(src_dir, f)
        if rev:
            data = subprocess.run(["git", "show", f"{rev}:{f}"], cwd=ROOT, capture_output=True, check=True).stdout
        else:
            a = os.path.join(ROOT, f)
            if not os.path.isfile(a):
                continue
            with open(a, "rb") as x:
                data = x.read()
        if os.path.exists(b):
            with open(b, "rb") as y:
                if y.read() == data:
                    continue
        os.makedirs(os.path.dirname(b), exist_ok=True)
        # A new time stamp, so that the build sees the change.
        with open(b, "wb") as y:
            y.write(data)
        if rev is None:
            shutil.copymode(os.path.join(ROOT, f), b)
        elif f.endswith(".sh") or f.endswith(".py"):
            os.chmod(b, 0o755)
    # Files gone from the tree go from the copy too (the build folder inside it stays).
    for base, dirs, names in os.walk(src_dir):
        rel = os.path.relpath(base, src_dir)
        if rel.split(os.sep)[0] == "build":
            dirs[:] = []
            continue
        for n in names:
            f = os.path.normpath(os.path.join(rel, n))
            if f not in wanted:
                os.remove(os.path.join(base, n))


class Interrupted(Exception):
    pass


def run(cmd, cwd, env, timeout=None):
    """Runs cmd in a process group of its own, ended whole on a timeout or an interruption."""
    p = subprocess.Popen(cmd, cwd=cwd, env=env, text=True, start_new_session=True,
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    try:
        out, _ = p.communicate(timeout=timeout)
        return p.returncode, out
    except subprocess.TimeoutExpired:
        return None, ""
    finally:
        # Asked first (ninja then stops the compilers it runs in groups of their own), then killed.
        for sig, grace in ((signal.SIGTERM, 5), (signal.SIGKILL, None)):
            if p.poll() is not None:
                break
            try:
                os.killpg(p.pid, sig)
            except ProcessLookupError:
                pass
            try:
                p.wait(timeout=grace)
            except subprocess.TimeoutExpired:
                pass
        try:
            os.killpg(p.pid, signal.SIGKILL)  # what the test command left behind in its group
        except ProcessLookupError:
            pass


def failed_tests(out):
    """The names of the tests that ctest reports as failed, each once."""
    failed = re.findall(r"\d+ - (\S+) \(", out) or re.findall(r"Test +#\d+: (\S+) .*\*\*\*", out)
    return list(dict.fromkeys(failed))


def test_env():
    env = dict(os.environ)
    runtime = tempfile.mkdtemp(prefix="vm-mutate-run-")
    os.chmod(runtime, 0o700)
    env["XDG_RUNTIME_DIR"] = runtime
    return env, runtime


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("files", nargs="*")
    ap.add_argument("--range")
    ap.add_argument("--tests", help="ctest -R regex")
    ap.add_argument("--command", help="test command run in the build folder instead of ctest")
    ap.add_argument("--max", type=int, default=0)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--build", default=os.path.join(ROOT, "build-mutate"))
    ap.add_argument("--cmake-arg", action="append", default=[])
    ap.add_argument("--rev", help="mutate the tree of this commit instead of the work tree")
    ap.add_argument("--list", action="store_true", help="only list the mutants")
    args = ap.parse_args()
    if not args.range and not args.files:
        ap.error("give --range A..B or files")

    if args.range:
        lines = touched_lines(args.range, args.files)
    else:
        lines = {}
        for f in args.files:
            rel = os.path.relpath(os.path.abspath(f), ROOT)
            lines[rel] = set(range(1, len(read_lines(rel, args.rev)) + 1))
    mutants = collect(lines, args.max, args.seed, args.rev)
    if args.list or not mutants:
        for f, n, what, new in mutants:
            print(f"{f}:{n}  {what}  {new.strip()}")
        print(f"{len(mutants)} mutants")
        return 0

    build_root = os.path.abspath(args.build)
    # The build sits inside the copy as build/ does in the tree, so that a compiler cache with a
    # base folder finds the tree's own objects.
    src = os.path.join(build_root, "src")
    build = os.path.join(src, "build")
    os.makedirs(src, exist_ok=True)
    sync_copy(src, args.rev)

    def stop(signum, frame):
        raise Interrupted()
    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGHUP, stop)

    env, runtime = test_env()
    current = None  # (path, original text) of the file a mutant is in
    try:
        if not os.path.exists(os.path.join(build, "build.ninja")):
            code, out = run(["cmake", "-S", src, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                             *args.cmake_arg], ROOT, env)
            if code != 0:
                print(out)
                return 2
        layout = "^(" + "|".join(LAYOUT_TESTS) + ")$"
        targets = []
        if args.tests and not args.command:
            # Only the subset's programs (and what they need) are rebuilt per mutant.
            _, listed = run(["ctest", "--test-dir", build, "-N", "-R", args.tests, "-E", layout], build, env)
            names = re.findall(r"Test\s+#\d+: (\S+)", listed)
            _, known = run(["ninja", "-C", build, "-t", "targets", "all"], build, env)
            known = {t.split(":")[0] for t in known.splitlines()}
            targets = [n for n in names if n in known]
            if len(targets) < len(names):
                targets = []  # a test that is not a program of ours: build everything
            # The tests start the program and load the module by path: both are built too.
            if targets:
                targets += [t for t in ("vidmarro", "vm_engine") if t in known]
        build_cmd = ["cmake", "--build", build, "--", *targets]
        if args.command:
            test_cmd = ["bash", "-c", args.command]
        else:
            test_cmd = ["ctest", "--test-dir", build, "--stop-on-failure", "--output-on-failure", "-E", layout]
            if args.tests:
                test_cmd += ["-R", args.tests]

        print(f"building the unchanged tree in {build} ...", flush=True)
        code, out = run(build_cmd, build, env)
        if code != 0:
            print(out[-4000:])
            print("the unchanged tree does not build")
            return 2
        started = time.monotonic()
        code, out = run(test_cmd, build, env)
        baseline = time.monotonic() - started
        if code != 0:
            print(out[-4000:])
            print("the tests fail on the unchanged tree")
            return 2
        limit = baseline * 3 + 60
        print(f"{len(mutants)} mutants; the tests take {baseline:.0f} s unchanged", flush=True)

        caught = survived = broken = 0
        for f, n, what, new in mutants:
            path = os.path.join(src, f)
            with open(path, encoding="utf-8", errors="surrogateescape") as fh:
                text = fh.readlines()
            current = (path, "".join(text))
            text[n - 1] = new
            with open(path, "w", encoding="utf-8", errors="surrogateescape") as fh:
                fh.write("".join(text))
            code, out = run(build_cmd, build, env)
            if code != 0:
                verdict = "not compiled"
                broken += 1
            else:
                code, out = run(test_cmd, build, env, timeout=limit)
                if code is None:
                    verdict = "caught (timed out)"
                    caught += 1
                elif code != 0:
                    failed = failed_tests(out)
                    if failed and not args.command:
                        # Again, by name: ctest numbers the tests it selects, so --rerun-failed after
                        # a filtered run may pick others.
                        again, out = run(["ctest", "--test-dir", build, "--output-on-failure", "-R",
                                          "^(" + "|".join(re.escape(t) for t in failed) + ")$"],
                                         build, env, timeout=limit)
                        if again is not None:
                            failed = failed_tests(out) or failed  # a rerun that timed out still fails
                        if again == 0:
                            code = 0
                    if code == 0:
                        verdict = "survived (a test failed once, then passed)"
                        survived += 1
                    else:
                        verdict = "caught by " + (", ".join(failed) if failed else "the test command")
                        caught += 1
                else:
                    verdict = "survived"
                    survived += 1
            with open(path, "w", encoding="utf-8", errors="surrogateescape") as fh:
                fh.write(current[1])
            current = None
            print(f"{f}:{n}  {what}  {verdict}", flush=True)
        compiled = caught + survived
        score = f"{100.0 * caught / compiled:.0f}%" if compiled else "n/a"
        print(f"score: {caught}/{compiled} caught ({score}); {survived} survived, {broken} not compiled")
        return 0
    except (KeyboardInterrupt, Interrupted):
        print("interrupted", file=sys.stderr)
        return 130
    finally:
        if current:
            with open(current[0], "w", encoding="utf-8", errors="surrogateescape") as fh:
                fh.write(current[1])
        shutil.rmtree(runtime, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
