# Sourced by the shell tests, after `set -euo pipefail`: a work folder removed at exit together with
# every process whose pid is added to `pids`, `fail` and `step`, and a private X display.

work=$(mktemp -d)
chmod 755 "$work"
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# A signal (a time limit, Ctrl-C) ends the script through its exit, and so through cleanup.
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

fail() { echo "FAIL: $*" >&2; exit 1; }
step() { echo "-- $*"; }

# A display of our own: Xvfb picks a free number itself, so parallel tests cannot collide, and it
# does not reset between program runs.
start_display() {
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || fail "Xvfb did not start"
  export DISPLAY=:$(head -n1 "$work/display")
}

# openbox on that display, so that minimising, raising and the active window are a real window
# manager's own.
start_window_manager() {
  mkdir -p "$work/obhome"
  HOME=$work/obhome openbox --sm-disable >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
  done
  xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' || fail "openbox did not start"
}

# Prints the first visible window whose name matches $1 (of process $2, when given). xdotool's
# search can trip over a window that closes while it looks (BadWindow), so a look is repeated
# rather than trusted once.
find_window() {
  local id of=()
  [ -n "${2:-}" ] && of=(--pid "$2")
  for _ in $(seq 300); do
    id=$(xdotool search --onlyvisible "${of[@]}" --name "$1" 2>/dev/null | head -n1) || true
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.1
  done
  fail "no window '$1'"
}

# A copy of the program ($1) as $2/vidmarro, with the media engine module beside it where the
# program looks for it; the program keeps its settings beside itself.
copy_program() {
  mkdir -p "$2"
  cp "$1" "$2/vidmarro"
  cp "$(dirname "$1")/libvidmarro-engine.so" "$(dirname "$1")/vidmarro-engine.libs" "$2/"
}
