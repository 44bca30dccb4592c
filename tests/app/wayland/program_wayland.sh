#!/usr/bin/env bash
# The program on Wayland (QT_QPA_PLATFORM=wayland) under a real compositor: sway with its headless
# backend, run as an unprivileged user since sway refuses root. sway focuses a window on a valid
# activation request, as KDE and GNOME do. The launcher's token and the mouse come from wl_desk, the
# keys from wtype, MPRIS calls from dbus-send on a private session bus; another program's window
# (justone_probe) stands in front of ours.
# Usage: program_wayland.sh <vidmarro executable> <wl_desk executable> <justone_probe executable>
# Exits 77 (skipped) only when sway cannot start here.
set -euo pipefail

exe=$1
desk_exe=$2
probe_exe=$3
. "$(dirname "$0")/../../support/session.sh"
for tool in sway swaymsg wtype setpriv ffmpeg python3 dbus-daemon dbus-send; do
  command -v "$tool" >/dev/null || fail "$tool is needed"
done

# Every process of the session dies with this script, however it ends.
user=$(id -u)
as_user=(setpriv --pdeathsig KILL)
if [ "$user" = 0 ]; then
  user=65534
  as_user+=(--reuid="$user" --regid="$user" --clear-groups)
fi
run=$work/run
home=$work/home
mkdir -p "$run" "$home" "$work/clips"
chmod 700 "$run"
chown "$user" "$run" "$home"
copy_program "$exe" "$work/app"
cp "$desk_exe" "$work/app/wl_desk"
cp "$probe_exe" "$work/app/justone_probe"
chown -R "$user" "$work/app"

# The player floats at the size it asks for, as on a desktop that does not tile: a tiling
# compositor resizes it after it has shown, and a click aimed from the new size can reach the
# client before it has laid itself out again.
printf '%s\n' 'output HEADLESS-1 resolution 1280x1024' 'xwayland disable' \
  'focus_on_window_activation focus' 'for_window [title="^Vidmarro - "] floating enable' >"$work/sway.conf"
"${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$run" WLR_BACKENDS=headless \
  WLR_LIBINPUT_NO_DEVICES=1 sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
sway_pid=$!
pids+=("$sway_pid")
display= ipc=
for _ in $(seq 100); do
  display=$(cd "$run" && ls wayland-[0-9]* 2>/dev/null | grep -v '\.lock$' | head -n1) || true
  ipc=$(ls "$run"/sway-ipc.*.sock 2>/dev/null | head -n1) || true
  [ -n "$display" ] && [ -n "$ipc" ] && break
  kill -0 "$sway_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$display" ] || [ -z "$ipc" ]; then
  tail -n 5 "$work/sway.log" >&2
  echo "SKIP: sway cannot start here"
  exit 77
fi

# What a sanitizer build's run sets goes to the program, so that its reports are heard; the tools
# that watch it go without: a preloaded GL driver makes each python3 or swaymsg call take seconds,
# long enough for a short clip to play between two looks at the screen.
keep=()
for v in ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS LD_PRELOAD; do
  [ -n "${!v:-}" ] && keep+=("$v=${!v}")
  unset "$v"
done
in_session() { # command... – as the user, in the compositor's session
  "${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$run" WAYLAND_DISPLAY="$display" \
    SWAYSOCK="$ipc" QT_QPA_PLATFORM=wayland VIDMARRO_MPV_OPTIONS="ao=pcm ao-pcm-file=/dev/null" "$@"
}
with_reports() { # [NAME=value...] command... – in the session, with the sanitizer settings
  in_session env ${keep[@]+"${keep[@]}"} "$@"
}
# One window of the tree: "<focused> <floating> <x> <y> <width> <height>", nothing when none matches.
window() { # $1: title pattern (Python regular expression)
  in_session swaymsg -t get_tree | python3 -c '
import json, re, sys
def walk(n, floating):
    if n.get("pid") and re.search(sys.argv[1], n.get("name") or ""):
        r = n["rect"]
        print(int(n["focused"]), int(floating), r["x"], r["y"], r["width"], r["height"])
        sys.exit()
    for c in n.get("nodes", []): walk(c, floating)
    for c in n.get("floating_nodes", []): walk(c, True)
walk(json.load(sys.stdin), False)' "$1"
}
until_true() { # $1: what, rest: command – waits up to 30 s, however long each look takes
  local what=$1 end=$((SECONDS + 30)); shift
  until "$@"; do
    [ "$SECONDS" -lt "$end" ] || fail "$what"
    sleep 0.1
  done
}
shown() { [ -n "$(window "$1")" ]; }
gone() { [ -z "$(window "$1")" ]; }
ended() { ! kill -0 "$1" 2>/dev/null; }
focused() { [ "$(window "$1" | cut -d' ' -f1)" = 1 ]; }
floating() { [ "$(window "$1" | cut -d' ' -f2)" = 1 ]; }
click() { # x y – returns once the compositor has handled the click
  local reply
  echo "click $1 $2" >&"${desk[1]}"
  read -r -t 30 -u "${desk[0]}" reply && [ "$reply" = clicked ] || fail "the pointer did not click"
}
# A second start, as a launcher makes it: with a fresh activation token. It must end by itself.
second_start() { # clips...
  local token
  token=$(in_session "$work/app/wl_desk" token) || fail "no activation token"
  with_reports XDG_ACTIVATION_TOKEN="$token" "$work/app/vidmarro" "$@" || fail "a second start ended with $?"
}
# Another program takes the focus, as a user's click on it would.
cover_in_front() {
  in_session swaymsg '[title="^probe Cover$"] focus' >/dev/null
  until_true "the other program did not get the focus" focused '^probe Cover$'
}

# The session bus where the program offers MPRIS, at the place the program looks for it.
in_session dbus-daemon --session --nofork --nopidfile --address="unix:path=$run/bus" >/dev/null 2>&1 &
pids+=($!)
until_true "the session bus did not start" test -S "$run/bus"

# One keyboard and one pointer for the whole run: a client only learns of a new device after its
# first events are gone.
in_session wtype -s 86400000 >/dev/null 2>&1 &
pids+=($!)
coproc desk { in_session "$work/app/wl_desk" pointer; }
pids+=("$desk_PID")
ffmpeg -hide_banner -loglevel error -f lavfi -i testsrc=size=320x240:rate=25:duration=3 -pix_fmt yuv420p \
  "$work/clips/short.mp4"
ffmpeg -hide_banner -loglevel error -f lavfi -i testsrc=size=320x240:rate=25:duration=120 -pix_fmt yuv420p \
  "$work/clips/long.mp4"
chmod -R a+rX "$work/clips"

main_title='^Vidmarro Player, Flexible'
player_title='^Vidmarro - '
speed_title='^Vidmarro - Playback Speed$'
sleep_title='^Vidmarro - Sleep Timer$'
warning_title='^Vidmarro$'

step "the main window shows; a second start hands over its clip, which plays, and raises the running copy"
with_reports "$work/app/vidmarro" >"$work/first.log" 2>&1 &
first=$!
pids+=("$first")
until_true "the main window did not show" focused "$main_title"
in_session "$work/app/justone_probe" Cover >/dev/null 2>&1 &
pids+=($!)
until_true "the other program's window did not show" shown '^probe Cover$'
cover_in_front
second_start
until_true "the running copy did not come to the front" focused "$main_title"
cover_in_front
second_start "$work/clips/short.mp4"
until_true "the handed-over clip did not play" focused "${player_title}\(1/1\) short\.mp4$"
# At its end the player closes and the main window is back.
until_true "the player did not close at the end of the clip" gone "$player_title"
until_true "the main window did not come back" focused "$main_title"
kill -0 "$first" || fail "the running copy ended"

# A dialog of the player stays above it, with the keys, after a click on the player, and Esc
# closes it.
dialog_stays_above() { # $1: name, $2: title pattern, $3: the player's title pattern
  local x y w h
  read -r _ _ x y w h <<<"$(window "$3")"
  until_true "the $1 did not open" focused "$2"
  floating "$2" || fail "the $1 is not above the player"
  click $((x + w / 2)) $((y + h / 2))
  until_true "the $1 did not keep the focus after a click on the player" focused "$2"
  floating "$2" || fail "the $1 went below the player"
  in_session wtype -k Escape
  until_true "Esc did not reach the $1" gone "$2"
  until_true "the player did not get the focus back" focused "$3"
}

step "the speed and sleep dialogs stay above the player, with the keys, after a click on the player"
second_start "$work/clips/long.mp4"
until_true "the long clip did not play" focused "${player_title}\(1/1\) long\.mp4$"
# Each dialog, opened by a click on its box: offset of the box from the player's bottom left.
for row in "speed dialog:222:$speed_title" "sleep dialog:288:$sleep_title"; do
  IFS=: read -r name offset title <<<"$row"
  read -r _ _ x y w h <<<"$(window "${player_title}\(1/1\) long")"
  click $((x + offset)) $((y + h - 20))
  dialog_stays_above "$name" "$title" "${player_title}\(1/1\) long"
done

step "MPRIS Raise brings the player forward"
cover_in_front
in_session dbus-send --bus="unix:path=$run/bus" --print-reply --dest=org.mpris.MediaPlayer2.vidmarro \
  /org/mpris/MediaPlayer2 org.mpris.MediaPlayer2.Raise >/dev/null || fail "the player offers no MPRIS Raise"
until_true "MPRIS Raise did not bring the player forward" focused "$player_title"
kill -0 "$first" || fail "the running copy ended"

# Closed as the user closes it: the player, then the main window; the program then ends by itself.
quit_normally() { # $1: pid
  in_session swaymsg "[title=\"$player_title\"] kill" >/dev/null 2>&1 || true
  until_true "the player did not close" gone "$player_title"
  until_true "the main window did not come back" focused "$main_title"
  in_session swaymsg "[title=\"$main_title\"] kill" >/dev/null
  # A program that does not end shows where it stands, and what it said.
  if ! (until_true "the program did not end" ended "$1") 2>/dev/null; then
    gdb -batch -p "$(pgrep -P "$1" | head -n1)" -ex "thread apply all bt" >&2 2>&1 || true
    tail -n 30 "$work"/*.log >&2 || true
    fail "the program did not end"
  fi
  wait "$1" || fail "the program ended with $?"
}

step "the program ends normally when its windows are closed"
quit_normally "$first"

step "without a sound card the warning stays above the player, with the keys"
with_reports VIDMARRO_MPV_OPTIONS="ao=null" "$work/app/vidmarro" "$work/clips/long.mp4" >"$work/silent.log" 2>&1 &
silent=$!
pids+=("$silent")
until_true "the player did not show" shown "$player_title"
dialog_stays_above "sound warning" "$warning_title" "$player_title"
quit_normally "$silent"

echo "all Wayland cases passed"
