#!/usr/bin/env bash
# The real program on a private X display remembers across runs: the volume set through MPRIS (on
# a private message bus) in the settings file, written so that a hand edit elsewhere stays as it
# was; where a long clip was closed, in the state folder, while a short clip starts over; a damaged
# file of places changes nothing else.
# Usage: program_remembers.sh <vidmarro executable>
set -euo pipefail

exe=$1
. "$(dirname "$0")/../support/session.sh"
command -v xdotool >/dev/null || fail "xdotool is needed"

mkdir -p "$work/clips" "$work/run"
chmod 700 "$work/run"
start_display
copy_program "$exe" "$work/app"
ffmpeg -nostdin -v error -f lavfi -i sine=duration=240 -ar 8000 -ac 1 "$work/clips/long.mp3"
ffmpeg -nostdin -v error -f lavfi -i sine=duration=120 -ar 8000 -ac 1 "$work/clips/short.mp3"

dbus-daemon --session --nofork --nopidfile --print-address --address="unix:path=$work/bus" >"$work/bus.addr" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/bus.addr" ] && break; sleep 0.1; done
bus=$(head -n1 "$work/bus.addr")
[ -n "$bus" ] || fail "no private bus"

ini=$work/app/Vidmarro.INI
places=$work/state/vidmarro/resume-places
# A settings file as a user may have left it: CR LF, a comment, blanks around the equals sign.
printf '[Dates]\r\nDate1=01/02/2026\r\n; typed by hand\r\n[Bar]\r\nTrack = 1\r\nStatus=1\r\n' >"$ini"
cp "$ini" "$work/ini.before"

mpris() { # method or property call on the player's MPRIS object
  DBUS_SESSION_BUS_ADDRESS=$bus dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.vidmarro \
    /org/mpris/MediaPlayer2 "$@"
}
get() { mpris org.freedesktop.DBus.Properties.Get string:org.mpris.MediaPlayer2.Player "string:$1" | awk 'END { print $NF }'; }

app=
start_program() { # $1: the clip, played at once
  (cd "$work" && DBUS_SESSION_BUS_ADDRESS=$bus XDG_RUNTIME_DIR=$work/run \
    XDG_STATE_HOME=$work/state XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data \
    QT_QPA_PLATFORM=xcb VIDMARRO_MPV_OPTIONS="vo=null ao=null" \
    exec "$work/app/vidmarro" "$1") &
  app=$!
  pids+=("$app")
  # No sound card here: the warning comes first.
  xdotool windowfocus --sync "$(find_window '^Vidmarro$')" key Return
  # Playing, and the clip loaded: its length known.
  for _ in $(seq 300); do
    [ "$(get PlaybackStatus 2>/dev/null)" = '"Playing"' ] &&
      mpris org.freedesktop.DBus.Properties.Get string:org.mpris.MediaPlayer2.Player string:Metadata 2>/dev/null |
      grep -q mpris:length && return 0
    sleep 0.1
  done
  fail "no clip playing"
}
quit_program() { # Close in the player, then in the main window
  local w
  w=$(find_window '^Vidmarro - ')
  xdotool windowfocus --sync "$w" key alt+c
  w=$(find_window '^Vidmarro Player')
  xdotool windowfocus --sync "$w" key alt+c
  for _ in $(seq 300); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$app" 2>/dev/null && fail "the program did not end"
  wait "$app" || true
}
seconds() { echo $(($(get Position) / 1000000)); }
reaches() { # waits until the position is at least $1 seconds
  for _ in $(seq 50); do [ "$(seconds)" -ge "$1" ] && return 0; sleep 0.1; done
  fail "the position stayed at $(seconds) s, short of $1 s"
}

step "Volume through MPRIS and a long clip closed in its middle"
start_program "$work/clips/long.mp3"
mpris org.freedesktop.DBus.Properties.Set string:org.mpris.MediaPlayer2.Player string:Volume variant:double:0.4 >/dev/null
mpris org.mpris.MediaPlayer2.Player.Seek int64:200000000 >/dev/null
reaches 200
quit_program
grep -q $'^Volume=40\r$' "$ini" || fail "volume not written: $(cat -A "$ini")"
cmp -s -n "$(stat -c %s "$work/ini.before")" "$ini" "$work/ini.before" || fail "the hand edit changed: $(cat -A "$ini")"
[ -s "$places" ] || fail "no place kept"

step "The next run: the volume as set, the long clip where it was closed"
start_program "$work/clips/long.mp3"
at=$(seconds)
[ "$at" -ge 199 ] && [ "$at" -le 210 ] || fail "started at $at s; places: $(cat "$places")"
[ "$(get Volume)" = 0.4 ] || fail "volume $(get Volume)"
quit_program

step "A short clip closed in its middle starts over"
start_program "$work/clips/short.mp3"
mpris org.mpris.MediaPlayer2.Player.Seek int64:60000000 >/dev/null
reaches 60
quit_program
start_program "$work/clips/short.mp3"
[ "$(seconds)" -le 5 ] || fail "the short clip started at $(seconds) s"
quit_program

step "A damaged file of places: the clip starts over, the volume stays"
head -c 3000 /dev/urandom >"$places"
start_program "$work/clips/long.mp3"
[ "$(seconds)" -le 5 ] || fail "started at $(seconds) s"
[ "$(get Volume)" = 0.4 ] || fail "volume $(get Volume)"
quit_program
grep -q $'^Volume=40\r$' "$ini" || fail "volume lost"

step "A volume out of range or not a number reads as full volume"
for bad in 140 -5 loud; do
  sed -i "s/^Volume=.*\r\$/Volume=$bad\r/" "$ini"
  start_program "$work/clips/short.mp3"
  [ "$(get Volume)" = 1 ] || fail "Volume=$bad read as $(get Volume)"
  quit_program
done

echo "5 passed, 0 failed"
