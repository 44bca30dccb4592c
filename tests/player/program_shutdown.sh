#!/usr/bin/env bash
# The real program, driven through its windows with xdotool under a private X display, against
# logind played by python3-dbusmock on a private message bus. Only the program and the stand-in
# see that bus's address; nothing here can reach the system's own bus.
# Usage: program_shutdown.sh <vidmarro executable>
set -euo pipefail

exe=$1
. "$(dirname "$0")/../support/session.sh"

# A python3 with dbusmock: the first on the PATH that has it.
python=
IFS=: read -r -a dirs <<<"$PATH"
for d in "${dirs[@]}"; do
  if [ -x "$d/python3" ] && "$d/python3" -c 'import dbusmock' 2>/dev/null; then python=$d/python3; break; fi
done
[ -n "$python" ] || fail "python3 with dbusmock is needed (package python3-dbusmock)"
command -v xdotool >/dev/null || fail "xdotool is needed"

mkdir -p "$work/clips" "$work/run"
start_display
chmod 700 "$work/run"
copy_program "$exe" "$work/app"
ffmpeg -nostdin -v error -f lavfi -i sine=duration=0.3 "$work/clips/one.wav"

dbus-daemon --session --nofork --nopidfile --print-address --address="unix:path=$work/bus" >"$work/bus.addr" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/bus.addr" ] && break; sleep 0.1; done
bus=$(head -n1 "$work/bus.addr")
[ -n "$bus" ] || fail "no private bus"

DBUS_SYSTEM_BUS_ADDRESS=$bus DBUS_SESSION_BUS_ADDRESS=$bus \
  "$python" -m dbusmock --template logind -l "$work/logind.log" >/dev/null 2>&1 &
pids+=($!)
mock() { DBUS_SESSION_BUS_ADDRESS=$bus dbus-send --session --print-reply --dest=org.freedesktop.login1 "$@"; }
for _ in $(seq 300); do mock /org/freedesktop/login1 org.freedesktop.DBus.Peer.Ping >/dev/null 2>&1 && break; sleep 0.1; done
mock /org/freedesktop/login1 org.freedesktop.DBus.Peer.Ping >/dev/null || fail "logind stand-in did not start"

powerOffs() { grep -c '^[0-9.]* PowerOff [^r]' "$work/logind.log" || true; }
ini=$work/app/Vidmarro.INI

app=
start_program() { # $1: system bus address seen by the program
  (cd "$work" && DBUS_SYSTEM_BUS_ADDRESS=$1 DBUS_SESSION_BUS_ADDRESS=$bus XDG_RUNTIME_DIR=$work/run \
    XDG_STATE_HOME=$work/state XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data \
    QT_QPA_PLATFORM=xcb VIDMARRO_MPV_OPTIONS="vo=null ao=pcm ao-pcm-file=$work/sound.wav untimed=yes" \
    exec "$work/app/vidmarro") &
  app=$!
  pids+=("$app")
  find_window '^Vidmarro Player' >/dev/null
}
stop_program() { kill "$app" 2>/dev/null || true; wait "$app" 2>/dev/null || true; }

# xdotool's search can trip over a window that closes while it looks (BadWindow), so every look
# is repeated rather than trusted once (find_window, in session.sh, does so too).
gone() { # waits until no visible window matches, seen twice in a row
  local misses=0
  for _ in $(seq 300); do
    if [ -z "$(xdotool search --onlyvisible --name "$1" 2>/dev/null)" ]; then
      misses=$((misses + 1))
      [ "$misses" -ge 2 ] && return 0
    else
      misses=0
    fi
    sleep 0.1
  done
  fail "window '$1' stayed"
}
visible() { [ -n "$(xdotool search --onlyvisible --name "$1" 2>/dev/null)" ]; }

# Picks the clip, checks Sleep, confirms the sleep dialog after `keys`, optionally unchecks Sleep
# again, clicks Go and waits until the player has closed.
play() { # $1: keys in the sleep dialog before Enter, $2: "uncheck" to clear Sleep before Go
  local main dlg player sleepdlg
  main=$(find_window '^Vidmarro Player')
  xdotool windowfocus --sync "$main" key alt+s
  dlg=$(find_window '^Select clip')
  xdotool windowfocus --sync "$dlg" type --delay 5 "$work/clips/one.wav"
  xdotool key Return
  player=$(find_window '^Vidmarro - Player$')
  visible '^Vidmarro Player' && fail "main window shown while the player is up"
  xdotool mousemove --window "$player" 261 385 click 1 # Sleep
  sleepdlg=$(find_window 'Sleep Timer$')
  xdotool windowfocus --sync "$sleepdlg"
  [ -n "$1" ] && xdotool key $1
  xdotool key Return
  gone 'Sleep Timer$'
  [ "${2:-}" = uncheck ] && xdotool mousemove --window "$player" 261 385 click 1
  xdotool mousemove --window "$player" 27 381 click 1 # Go!
  gone '^Vidmarro - '
}

step "When Playlist finishes: one PowerOff call, the time stamp written"
start_program "$bus"
play Down
[ "$(powerOffs)" = 1 ] || fail "expected one PowerOff call, got $(powerOffs)"
grep -q '^SD=.' "$ini" || fail "Dates/SD not written"

step "Sleep unchecked before the end: no call"
rm -f "$ini"
play "" uncheck
[ "$(powerOffs)" = 1 ] || fail "PowerOff called after Sleep was unchecked"
[ ! -e "$ini" ] || ! grep -q '^SD=' "$ini" || fail "Dates/SD written without a shutdown"
find_window '^Vidmarro Player' >/dev/null

step "Refused request: the error box, then the main window usable"
mock /org/freedesktop/login1 org.freedesktop.DBus.Mock.AddMethod string:org.freedesktop.login1.Manager \
  string:PowerOff string:b string: \
  "string:raise dbus.exceptions.DBusException('Access denied', name='org.freedesktop.DBus.Error.AccessDenied')" >/dev/null
play ""
[ "$(powerOffs)" = 2 ] || fail "expected a second PowerOff call"
box=$(find_window '^Vidmarro$')
xdotool windowfocus --sync "$box" key Return
gone '^Vidmarro$'
main=$(find_window '^Vidmarro Player')
xdotool windowfocus --sync "$main" key alt+s
dlg=$(find_window '^Select clip')
xdotool windowfocus --sync "$dlg" key Escape
gone '^Select clip'
stop_program

step "No bus: the error box, then the main window"
start_program "unix:path=$work/no-bus"
play Down
box=$(find_window '^Vidmarro$')
xdotool windowfocus --sync "$box" key Return
find_window '^Vidmarro Player' >/dev/null
[ "$(powerOffs)" = 2 ] || fail "a call reached the stand-in without a bus"
stop_program

echo "4 passed, 0 failed"
