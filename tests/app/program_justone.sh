#!/usr/bin/env bash
# The single-instance guard between real processes: the program and a small probe guarded the same
# way, on a private X display with a real window manager (openbox), so that minimising, raising and
# the active window are the window manager's own. Another user is played by uid 65534 via setpriv.
# Usage: program_justone.sh <vidmarro executable> <justone_probe executable>
set -euo pipefail

exe=$1
probe_exe=$2
. "$(dirname "$0")/../support/session.sh"
command -v xdotool >/dev/null || fail "xdotool is needed"
command -v openbox >/dev/null || fail "openbox is needed"

main_title='^Vidmarro Player, Flexible'
other=65534
other_name=$(id -nu "$other" 2>/dev/null || echo nobody)

start_display
start_window_manager

# Our user's copies: the settings file goes beside the executable.
mkdir -p "$work/run"
chmod 700 "$work/run"
export XDG_RUNTIME_DIR=$work/run
copy_program "$exe" "$work/app"
cp "$probe_exe" "$work/probe"
chmod 755 "$work/probe"

count_windows() { xdotool search --onlyvisible --name "$1" 2>/dev/null | wc -l || true; }
active() { printf '%d\n' "$(xprop -root _NET_ACTIVE_WINDOW | grep -o '0x[0-9a-f]*' | head -n1)"; }
topmost() { printf '%d\n' "$(xprop -root _NET_CLIENT_LIST_STACKING | grep -o '0x[0-9a-f]*' | tail -n1)"; }
wm_state() { xprop -id "$1" WM_STATE | sed -n 's/.*window state: *//p'; }
until_true() { # $1: what, rest: command – waits up to 20 s
  local what=$1; shift
  for _ in $(seq 200); do "$@" && return 0; sleep 0.1; done
  fail "$what"
}
is_active() { [ "$(active)" = "$1" ]; }
is_on_top() { [ "$(topmost)" = "$1" ]; }
state_is() { [ "$(wm_state "$1")" = "$2" ]; }
running() { kill -0 "$1" 2>/dev/null; }
ended() { ! running "$1"; }

app=
start_program() { # [env assignments...]: starts our copy in the background
  env XDG_RUNTIME_DIR="$work/run" VIDMARRO_MPV_OPTIONS="vo=null ao=null" "$@" "$work/app/vidmarro" \
    >/dev/null 2>&1 &
  app=$!
  pids+=("$app")
}
# Runs a copy that must end by itself; its exit code must be 0.
second_copy() { # [env assignments...]
  local p rc=0
  env XDG_RUNTIME_DIR="$work/run" VIDMARRO_MPV_OPTIONS="vo=null ao=null" "$@" "$work/app/vidmarro" \
    >/dev/null 2>&1 &
  p=$!
  pids+=("$p")
  until_true "a second copy did not end" ended "$p"
  wait "$p" || rc=$?
  [ "$rc" = 0 ] || fail "a second copy ended with $rc"
}
probe=
start_probe() { # $1: title, $2: output file, rest: env assignments
  local title=$1 out=$2; shift 2
  env XDG_RUNTIME_DIR="$work/run" "$@" "$work/probe" "$title" >"$out" 2>/dev/null &
  probe=$!
  pids+=("$probe")
  until_true "probe '$title' did not start" grep -q . "$out"
}

step "a second start ends and raises the running copy"
start_program
first=$app
main=$(find_window "$main_title" "$first")
start_probe Other "$work/other.out"
other_probe=$probe
[ "$(head -n1 "$work/other.out")" = first ] || fail "a probe of another title saw the program"
cover=$(find_window '^probe Other$' "$other_probe")
until_true "the probe did not get the focus" is_active "$cover"
second_copy
until_true "the running copy did not come to the front" is_active "$main"
until_true "the running copy is not on top" is_on_top "$main"
[ "$(wm_state "$main")" = Normal ] || fail "the running copy's state changed"
[ "$(count_windows "$main_title")" = 1 ] || fail "the second copy showed a window"
running "$first" || fail "the running copy ended"
! grep -q raised "$work/other.out" || fail "a copy of another title was asked to come forward"

step "a second start restores the running copy from minimised"
xdotool windowminimize --sync "$main"
until_true "the window did not minimise" state_is "$main" Iconic
xdotool windowactivate --sync "$cover"
second_copy
until_true "the running copy was not restored" state_is "$main" Normal
until_true "the restored copy is not active" is_active "$main"
[ "$(count_windows "$main_title")" = 1 ] || fail "more than one main window"

step "without switching, a second copy leaves the first alone"
start_probe Quiet "$work/quiet1.out"
quiet1=$probe
quiet_win=$(find_window '^probe Quiet$' "$quiet1")
xdotool windowactivate --sync "$cover"
until_true "the cover did not get the focus" is_active "$cover"
timeout 60 "$work/probe" Quiet --no-switch >"$work/quiet2.out" 2>/dev/null
[ "$(cat "$work/quiet2.out")" = second ] || fail "the quiet copy did not see the first"
is_active "$cover" || fail "the quiet copy changed the active window"
# A copy that does switch is heard; had the quiet one spoken, it would be heard first.
timeout 60 "$work/probe" Quiet >/dev/null 2>&1
until_true "the first probe heard nothing" grep -q raised "$work/quiet1.out"
[ "$(grep -c raised "$work/quiet1.out")" = 1 ] || fail "the quiet copy asked the first to come forward"
kill "$quiet1"
[ -n "$quiet_win" ]

step "after kill -9 of the running copy the next start runs normally"
kill -9 "$first"
wait "$first" 2>/dev/null || true
t0=$(date +%s%N)
start_program
after_kill=$app
find_window "$main_title" "$after_kill" >/dev/null
echo "   started over the dead copy's lock in $((($(date +%s%N) - t0) / 1000000)) ms"
running "$after_kill" || fail "the copy after kill -9 did not stay"
second_copy # and it guards in turn
running "$after_kill" || fail "the new copy ended"
kill "$after_kill"
wait "$after_kill" 2>/dev/null || true

step "twenty copies started at once leave exactly one"
crowd=()
for _ in $(seq 20); do
  env XDG_RUNTIME_DIR="$work/run" VIDMARRO_MPV_OPTIONS="vo=null ao=null" "$work/app/vidmarro" >/dev/null 2>&1 &
  crowd+=($!)
  pids+=($!)
done
alive() { local n=0 p; for p in "${crowd[@]}"; do running "$p" && n=$((n + 1)); done; echo "$n"; }
one_left() { [ "$(alive)" = 1 ]; }
for _ in $(seq 600); do one_left && break; sleep 0.1; done
one_left || fail "$(alive) copies are running"
find_window "$main_title" >/dev/null
sleep 1 # nothing else may come up late
one_left || fail "$(alive) copies are running"
[ "$(count_windows "$main_title")" = 1 ] || fail "more than one main window"
for p in "${crowd[@]}"; do kill "$p" 2>/dev/null || true; done
for p in "${crowd[@]}"; do wait "$p" 2>/dev/null || true; done

# Another user: its own copy of the program and its engine module (the settings file beside it must
# be writable), its own home and temporary folder.
mkdir -p "$work/oapp" "$work/ohome" "$work/otmp"
copy_program "$exe" "$work/oapp"
chown -R "$other:$other" "$work/oapp" "$work/ohome" "$work/otmp"
as_other() { # env assignments..., then the program's arguments follow the program
  setpriv --reuid="$other" --regid="$other" --clear-groups env -u XDG_RUNTIME_DIR HOME="$work/ohome" \
    TMPDIR="$work/otmp" VIDMARRO_MPV_OPTIONS="vo=null ao=null" "$@" "$work/oapp/vidmarro" >/dev/null 2>&1 &
  app=$!
  pids+=("$app")
}
runs_normally() { # $1: pid – its main window shows and it stays
  find_window "$main_title" "$1" >/dev/null
  sleep 1
  running "$1" || fail "the other user's copy ended"
}

step "another user's runtime folder, with a copy running in it, neither blocks us nor hears from us"
mkdir -m 700 "$work/rootrun"
start_probe Vidmarro "$work/rootcopy.out" XDG_RUNTIME_DIR="$work/rootrun"
rootcopy=$probe
[ "$(head -n1 "$work/rootcopy.out")" = first ] || fail "the stand-in did not start first"
as_other XDG_RUNTIME_DIR="$work/rootrun"
runs_normally "$app"
kill "$app"; wait "$app" 2>/dev/null || true
kill "$rootcopy"; wait "$rootcopy" 2>/dev/null || true
! grep -q raised "$work/rootcopy.out" || fail "the other user's copy spoke to ours"

step "a runtime folder taken over by another user in the shared temporary folder"
mkdir -m 1777 "$work/shared"
mkdir -m 700 "$work/shared/runtime-$other_name"
start_probe Vidmarro "$work/squat.out" XDG_RUNTIME_DIR="$work/shared/runtime-$other_name"
squatter=$probe
as_other TMPDIR="$work/shared"
runs_normally "$app"
[ -e "$work/ohome/.cache/Vidmarro.lock" ] || fail "the lock is not in the other user's own cache folder"
kill "$app"; wait "$app" 2>/dev/null || true
kill "$squatter"; wait "$squatter" 2>/dev/null || true
! grep -q raised "$work/squat.out" || fail "the squatter heard from the other user's copy"

step "another user's leftover lock and live socket in our own runtime folder"
mkdir -m 700 "$work/orun"
chown "$other:$other" "$work/orun"
printf '%s\n%s\n%s\n' 4194305 vidmarro "$(hostname)" >"$work/orun/Vidmarro.lock"
/usr/bin/python3 -u -c '
import socket, sys
s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
s.bind(sys.argv[1]); s.listen(5); print("listening", flush=True)
while True:
    c, _ = s.accept(); print("connected", flush=True); c.close()
' "$work/orun/Vidmarro-$other.sock" >"$work/listener.out" 2>/dev/null &
listener=$!
pids+=("$listener")
until_true "the leftover socket did not listen" grep -q listening "$work/listener.out"
as_other XDG_RUNTIME_DIR="$work/orun"
holder=$app
runs_normally "$holder"
as_other XDG_RUNTIME_DIR="$work/orun"
until_true "the other user's second copy did not end" ended "$app"
running "$holder" || fail "the other user's first copy ended"
kill "$holder"; wait "$holder" 2>/dev/null || true
! grep -q connected "$work/listener.out" || fail "the leftover socket was spoken to"

echo "all single-instance cases passed"
