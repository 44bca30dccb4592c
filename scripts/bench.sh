#!/usr/bin/env bash
# Builds the benchmarks in Release (-O2) into build-rel/ and runs every one of them on a private
# Xvfb display, then prints one table of figures: ours, the baseline measured in the same run, the
# ratio and the target. Each program's own report is kept in build-rel/bench-logs/.
# Extra arguments go to CMake's configure step. Not part of the tests: nothing here runs in ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
# The baselines' own programs: the mpv player beside ours.
if ! command -v mpv >/dev/null; then
  sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends mpv
fi
cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DVIDMARRO_TESTS=OFF -DVIDMARRO_BENCH=ON "$@" >/dev/null
cmake --build build-rel --parallel 2
bin=build-rel/bin
logs=build-rel/bench-logs
rm -rf "$logs"
mkdir -p "$logs"

work=$(mktemp -d)
xpid=
ppid=
bpid=
cleanup() {
  [ -n "$bpid" ] && kill "$bpid" 2>/dev/null || true
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null || true
  [ -n "$ppid" ] && kill "$ppid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A display of our own; -displayfd tells its number once it accepts clients.
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xpid=$!
read -r display <"$work/display"
export DISPLAY=":$display"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
# A sound server of our own with a null sink: the programs play sound as on a desktop, and no
# sound check or fallback weighs on one of them only.
mkdir -p "$work/pulse/home"
echo "autospawn = no" >"$work/pulse/client.conf"
HOME=$work/pulse/home XDG_CONFIG_HOME=$work/pulse/home DBUS_SESSION_BUS_ADDRESS=disabled: \
  pulseaudio -n --daemonize=no --use-pid-file=no --exit-idle-time=-1 --realtime=no --high-priority=no \
  --disallow-exit --log-target=stderr -L "module-null-sink sink_name=bench" \
  -L "module-native-protocol-unix auth-anonymous=1 socket=$work/pulse/native" 2>"$work/pulse.log" &
ppid=$!
for _ in $(seq 100); do [ -S "$work/pulse/native" ] && break; sleep 0.1; done
[ -S "$work/pulse/native" ] || { cat "$work/pulse.log" >&2; echo "the sound server did not start" >&2; exit 1; }
export PULSE_SERVER="unix:$work/pulse/native" PULSE_CLIENTCONFIG="$work/pulse/client.conf"
# A session bus of our own, as a desktop has: without one, the toolkit's first look for the
# accessibility bus starts dbus-launch on the X display, which no desktop start pays.
dbus-daemon --session --fork --address="unix:path=$work/bus" --print-pid=3 3>"$work/bus.pid"
bpid=$(cat "$work/bus.pid")
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus"
unset VIDMARRO_MPV_OPTIONS

# BENCH_ONLY="bm_startup bm_stall" runs only those.
run() {
  local name=$1
  shift
  if [ -n "${BENCH_ONLY:-}" ] && [[ " $BENCH_ONLY " != *" $name "* ]]; then return 0; fi
  echo "== $name"
  if "$@" >"$logs/$name.txt" 2>"$logs/$name.err"; then
    grep -v '^FIGURE|' "$logs/$name.txt" | tail -n "${BENCH_TAIL:-25}"
  else
    echo "   failed (exit $?); see $logs/$name.err"
  fi
}

run bm_startup "$bin/bm_startup" --rounds "${BENCH_ROUNDS:-20}" ${BENCH_STARTUP_ARGS:-}
run bm_player env QT_QPA_PLATFORM=xcb "$bin/bm_player"
run bm_playback "$bin/bm_playback" --rounds "${BENCH_PLAY_ROUNDS:-3}"
run bm_gapless env QT_QPA_PLATFORM=xcb "$bin/bm_gapless" --rounds "${BENCH_PLAY_ROUNDS:-3}"
# X11 on this display, Wayland under a headless sway of its own, and the software render path.
run bm_stall "$bin/bm_stall" --rounds "${BENCH_PLAY_ROUNDS:-3}"
# Keys under load on the native and render-API video paths, with a window manager of its own.
run bm_keys "$bin/bm_keys" --rounds "${BENCH_KEY_ROUNDS:-1}"
run bm_media env QT_QPA_PLATFORM=offscreen "$bin/bm_media"
run bench_playlist "$bin/bench_playlist"
run bench_editor env QT_QPA_PLATFORM=offscreen "$bin/bench_editor"
run bench_fileop "$bin/bench_fileop"
run bench_scale env QT_QPA_PLATFORM=offscreen "$bin/bench_scale"

echo
echo "== Figures (ratio = ours / baseline; met when the ratio is at most the target)"
for name in bm_startup bm_player bm_playback bm_gapless bm_stall bm_keys bench_scale bench_playlist; do cat "$logs/$name.txt" 2>/dev/null || true; done | awk -F'|' '
  BEGIN { printf "%-64s %10s %10s %-4s %6s %6s %-4s %s\n", "figure", "ours", "baseline", "unit", "ratio", "target", "met", "baseline is" }
  $1 == "FIGURE" {
    met = ($7 == "-") ? "-" : (($6 + 0 > 0 && $6 + 0 <= $7 + 0) ? "yes" : "no")
    printf "%-64s %10s %10s %-4s %6s %6s %-4s %s\n", $2, $3, $4, $5, $6, $7, met, $8
  }'
