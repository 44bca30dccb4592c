#!/usr/bin/env bash
# Runs one fuzz target for a number of executions:
#   scripts/fuzz.sh reader 10000000     # the playlist reader (playlist/CCFuncs)
#   scripts/fuzz.sh asx 10000000        # the media control's playlist parser (playlist/AsxParse)
#   scripts/fuzz.sh m3u 10000000        # other programs' M3U, PLS, XSPF (playlist/PlaylistFormats)
#   scripts/fuzz.sh pls 10000000
#   scripts/fuzz.sh xspf 10000000
# Extra arguments go to libFuzzer (e.g. -max_len=4096). Builds with clang into build-fuzz/, first
# runs the target once on each large input (generated lines of 64 MiB, and fuzz/corpus/large/ whose
# values and line ends straddle the reader's 64 KiB reads), then fuzzes from the seeds in
# fuzz/corpus/<target> plus what earlier runs found (build-fuzz/corpus/<target>), inputs up to 4 KiB
# unless -max_len says otherwise, with one worker per core. Crashes, leaks and hangs land in
# build-fuzz/artifacts/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

target=${1:-}
runs=${2:-}
case "$target" in
  reader | asx | m3u | pls | xspf) ;;
  *)
    echo "usage: scripts/fuzz.sh reader|asx|m3u|pls|xspf <executions> [libFuzzer options]" >&2
    exit 2
    ;;
esac
[[ "$runs" =~ ^[0-9]+$ ]] || { echo "executions must be a number" >&2; exit 2; }
shift 2

scripts/deps.sh
if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends clang libclang-rt-dev
fi
cmake -S fuzz -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz --parallel "${VIDMARRO_JOBS:-2}"

bin=$root/build-fuzz/fuzz_$target
work=$root/build-fuzz/corpus/$target
big=$root/build-fuzz/big
artifacts=$root/build-fuzz/artifacts/$target/
mkdir -p "$work" "$big" "$artifacts"
# The target's working folder (its clips, and the input written at each run), in memory where
# there is room; removed even when the run stops on a finding.
shm=/dev/shm
[ -w "$shm" ] || shm=${TMPDIR:-/tmp}
export VIDMARRO_FUZZ_DIR
VIDMARRO_FUZZ_DIR=$(mktemp -d "$shm/vidmarro-fuzz-run.XXXXXX")
trap 'rm -rf "$VIDMARRO_FUZZ_DIR"' EXIT
# No sanitizer may let a fault pass: leaks are checked after each input that leaves memory behind.
# Shorter allocation stacks: recording them was a fifth of the time, and a reproduced crash prints
# the full ones (ASAN_OPTIONS=malloc_context_size=30 build-fuzz/fuzz_<target> <artifact>).
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:malloc_context_size=8"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

# Inputs too big to commit or to reach by mutation: one line of 64 MiB, each way it can end.
mib64=$((64 * 1024 * 1024))
if [ ! -s "$big/line-open-value.asx" ]; then
  python3 - "$big" "$mib64" <<'PY'
import sys
d, n = sys.argv[1], int(sys.argv[2])
def line(name, head, fill, tail=b''):
    body = head + fill * ((n - len(head) - len(tail)) // len(fill) + 1)
    open(f'{d}/{name}', 'wb').write(body[:n - len(tail)] + tail)
line('line-open-value.asx', b' <ENTRY><REF HREF="', b'a')                          # no closing quote
line('line-closed-value.asx', b' <ENTRY><REF HREF="', b'b', b'" /></ENTRY>')        # closed at the very end
line('line-of-entries.asx', b'<ASX>', b'<ENTRY><REF HREF="clip1.mp3" /></ENTRY>')  # no line break at all
line('line-of-tags.asx', b'<ASX>', b'<a b="<')                                    # unclosed quotes and tags
line('line-of-f.asx', b'', b'F="F="')
PY
fi
echo "== $target: one run on each large input"
if ! "$bin" -rss_limit_mb=4096 -malloc_limit_mb=4096 -timeout=600 "$big"/*.asx "$root"/fuzz/corpus/large/* \
  >"$big/$target.log" 2>&1; then
  cat "$big/$target.log" >&2
  echo "the large inputs broke the target" >&2
  exit 1
fi
grep -E "^(Running|Executed)" "$big/$target.log"

# One worker per core (VIDMARRO_FUZZ_JOBS to choose), each a child process that libFuzzer restarts
# with the corpus grown so far; also with one worker, as a single process's memory grows over
# millions of inputs (the sanitizers' allocation records) until it passes the limit. Forked workers
# pass over hangs and running out of memory unless told not to: here every crash, leak, hang and
# out-of-memory stops the run.
jobs=${VIDMARRO_FUZZ_JOBS:-$(nproc)}
fork=(-fork="$jobs" -ignore_crashes=0 -ignore_timeouts=0 -ignore_ooms=0)
echo "== $target: $runs executions, $jobs worker(s)"
start=$(date +%s)
"$bin" "${fork[@]}" -runs="$runs" -max_len=4096 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$artifacts" "$@" "$work" "$root/fuzz/corpus/$target"
echo "== $target: $runs executions in $(($(date +%s) - start)) s, no crash, leak or timeout"
