#!/usr/bin/env bash
# Installs the build into a temporary prefix, checks the desktop files with their own validators,
# makes the prefix read-only and runs the installed program there as another user (uid 65534) with
# a temporary home, on a private X display with a window manager.
# Usage: install_tree.sh <build folder>
set -euo pipefail

build=$1
. "$(dirname "$0")/../support/session.sh"
for tool in desktop-file-validate appstreamcli setpriv xdotool openbox ffmpeg; do
  command -v "$tool" >/dev/null || fail "$tool is needed"
done

step "the install tree"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
exe=$prefix/bin/vidmarro
[ -x "$exe" ] || fail "no program in bin"
desktop=$prefix/share/applications/vidmarro.desktop
desktop-file-validate "$desktop" || fail "the desktop entry does not validate"
metainfo=("$prefix"/share/metainfo/*.metainfo.xml)
appstreamcli validate --no-net "${metainfo[@]}" || fail "the metainfo does not validate"
grep -q '^Exec=vidmarro %[FU]$' "$desktop" || fail "Exec does not take files"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon"
pngs=0
for png in "$prefix"/share/icons/hicolor/*x*/apps/"$icon".png; do
  size=$(basename "$(dirname "$(dirname "$png")")")
  python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); w,h=struct.unpack(">II",d[16:24]); sys.exit(f"{w}x{h}"!=sys.argv[2])' \
    "$png" "$size" || fail "$png is not $size"
  pngs=$((pngs + 1))
done
[ "$pngs" -ge 4 ] || fail "only $pngs PNG sizes"
# The playlist type and every type the clip dialog offers, as this system's MIME database names them.
types=";$(sed -n 's/^MimeType=//p' "$desktop")"
for ext in asx m3u m3u8 pls xspf asf mp2 mp3 wav mid wma aif au wax mpg mpeg m1v wmv avi mov qt wvx fli flc mpe \
  mp4 mkv webm ogg opus flac; do
  for t in $(sed -n "s/^[0-9]*:\([^:]*\):\*\.$ext\$/\1/p" /usr/share/mime/globs2 | head -n1); do
    case "$types" in *";$t;"*) ;; *) fail "MimeType lacks $t (.$ext)" ;; esac
  done
done
[ -f "$prefix/share/man/man1/vidmarro.1.gz" ] || fail "no man page"
# The installed program finds its translation in its data folder, and English stays English.
speak() { env -u LANGUAGE -u LC_ALL -u LC_MESSAGES LANG=$1 "$exe" --help | head -n1; }
[ "$(speak de_DE.UTF-8)" = "Aufruf: vidmarro [--] [DATEI...]" ] || fail "the installed program speaks no German"
[ "$(speak en_GB.UTF-8)" = "Usage: vidmarro [--] [FILE...]" ] || fail "English --help changed"
# The libraries loaded one by one before the engine's module. One that is not there must cost
# nothing but itself: every start that plays below has one more.
libs=$(find "$prefix" -name vidmarro-engine.libs)
[ -n "$libs" ] && [ "$(dirname "$libs")" = "$(dirname "$(find "$prefix" -name 'libvidmarro-engine.so*' | head -n1)")" ] ||
  fail "no list of the engine's libraries beside its module"
grep -q '/libmpv\.so' "$libs" || fail "the list of the engine's libraries lacks the engine"
echo "$work/gone/libnothing.so.1" >>"$libs"
chmod -R a-w "$prefix"

step "a private display with a window manager"
start_display
start_window_manager

# The user: its own home and runtime folder, nothing of ours in its environment.
user=65534
home=$work/home
run=$work/run
mkdir -p "$home" "$run" "$work/clips"
chmod 700 "$run"
chown "$user:$user" "$home" "$run"
ffmpeg -hide_banner -loglevel error -f lavfi -i sine=frequency=440:duration=0.3 "$work/clips/a.wav"
cp "$work/clips/a.wav" "$work/clips/b.wav"
asx() { # $1: file, rest: clips
  local f=$1; shift
  { printf '<ASX VERSION="3.0">\r\n'
    for c in "$@"; do printf ' <ENTRY><REF HREF="%s" /></ENTRY>\r\n' "$c"; done
    printf '</ASX>\r\n'; } >"$f"
}
asx "$work/clips/two.asx" "$work/clips/b.wav" "$work/clips/a.wav"
asx "$work/clips/gone.asx" "$work/clips/a.wav" "$work/clips/missing.wav"
# The playlists of other programs, each listing b.wav then a.wav in its own way.
printf '#EXTM3U\r\n#EXTINF:1,Bee\r\nb.wav\r\n\r\n#EXTINF:1,A\r\n%s\r\n' "$work/clips/a.wav" >"$work/clips/two.m3u"
printf '#EXTM3U\nfile://%s/b.wav\na.wav\n' "$work/clips" >"$work/clips/two.m3u8"
printf '[playlist]\nFile2=a.wav\nTitle1=Bee\nFile1=%s/b.wav\nNumberOfEntries=2\nVersion=2\n' "$work/clips" \
  >"$work/clips/two.pls"
printf '<?xml version="1.0" encoding="UTF-8"?>\n<playlist version="1" xmlns="http://xspf.org/ns/0/">\n<trackList>
<track><location>file://%s/b.wav</location></track>\n<track><location>a.wav</location></track>
</trackList>\n</playlist>\n' "$work/clips" >"$work/clips/two.xspf"
# A folder: its clips in subfolders, beside what is hidden or no clip.
mkdir -p "$work/clips/holiday/Day 2" "$work/clips/holiday/day 1" "$work/clips/holiday/.cache"
cp "$work/clips/a.wav" "$work/clips/holiday/Day 2/morning.wav"
cp "$work/clips/a.wav" "$work/clips/holiday/day 1/evening.wav"
cp "$work/clips/a.wav" "$work/clips/holiday/.cache/old.wav"
cp "$work/clips/a.wav" "$work/clips/holiday/.hidden.wav"
cp "$work/clips/a.wav" "$work/clips/holiday/Arrival.wav"
for other in cover.jpg notes.txt Arrival.srt list.m3u list.asx; do echo x >"$work/clips/holiday/$other"; done
ln -s .. "$work/clips/holiday/day 1/up"
chmod -R a+rX "$work/clips"

as_user() { # program arguments; in_dir=FOLDER runs it there
  setpriv --reuid="$user" --regid="$user" --clear-groups env -i ${in_dir:+-C "$in_dir"} PATH=/usr/bin:/bin HOME="$home" \
    DISPLAY="$DISPLAY" XDG_RUNTIME_DIR="$run" QT_QPA_PLATFORM=xcb \
    VIDMARRO_MPV_OPTIONS="vo=null ao=pcm ao-pcm-file=$home/sound.wav untimed=yes" "$exe" "$@"
}
until_true() { # $1: what, rest: command – waits up to 30 s
  local what=$1; shift
  for _ in $(seq 300); do "$@" && return 0; sleep 0.1; done
  fail "$what"
}
window_of() { xdotool search --onlyvisible --pid "$1" --name "$2" 2>/dev/null | head -n1 || true; }
has_window() { [ -n "$(window_of "$1" "$2")" ]; }
no_box() { ! has_window "$1" '^Vidmarro$'; } # message and stop boxes carry the bare title
running() { kill -0 "$1" 2>/dev/null; }
ended() { ! running "$1"; }
main_title='^Vidmarro Player, Flexible'
state=$home/.local/state/vidmarro/playlist.tmp
settings=$home/.config/vidmarro/Vidmarro.INI
played() { [ -f "$state" ] && grep -c '<ENTRY>' "$state"; }
played_is() { [ "$(played)" = "$1" ]; }
close_main() { # $1: pid – closes the main window as the user would, and the program ends by itself
  local w
  w=$(window_of "$1" "$main_title")
  xdotool windowactivate --sync "$w" >/dev/null 2>&1 || true
  xdotool key --clearmodifiers alt+F4
  until_true "the program did not end after its window closed" ended "$1"
  wait "$1" || fail "the program ended with $?"
}

step "the installed program starts with no error box and keeps its settings in the home"
as_user >/dev/null 2>"$work/first.err" &
first=$!
pids+=("$first")
until_true "no main window" has_window "$first" "$main_title"
sleep 1 # the media engine check comes just after the window
no_box "$first" || fail "a message box came up at start"
! grep -q 'libmpv\.so' "/proc/$first/maps" || fail "a start without files loaded the media engine"
[ -f "$settings" ] || fail "no settings in the home's config folder"
grep -q '^\[Bar\]' "$settings" || fail "the settings file has no Bar section"
[ -z "$(ls "$prefix/bin" | grep -v '^vidmarro$')" ] || fail "something was written beside the program"
main=$(window_of "$first" "$main_title")
icons=$(xprop -id "$main" _NET_WM_ICON)
grep -q 'Icon (48 x 48)' <<<"$icons" || fail "the main window shows no icon of ours"

step "a second start, in another current folder, hands its playlist by a relative name to the running copy"
in_dir=$work/clips as_user gone.asx >/dev/null 2>&1 &
second=$!
pids+=("$second")
until_true "the second start did not end" ended "$second"
wait "$second" || fail "the second start ended with $?"
until_true "the running copy did not warn about the missing clip" has_window "$first" '^Vidmarro$'
box=$(window_of "$first" '^Vidmarro$')
xdotool windowactivate --sync "$box" >/dev/null 2>&1 || true
xdotool key --clearmodifiers Return
until_true "the handed playlist did not play" played_is 1
until_true "the main window did not come back" has_window "$first" "$main_title"
close_main "$first"

step "a folder on the command line plays exactly its clips, sorted as picked clips are"
rm -f "$state"
as_user "$work/clips/holiday" >/dev/null 2>&1 &
by_folder=$!
pids+=("$by_folder")
until_true "no save question after the folder played" has_window "$by_folder" '^Confirm$'
box=$(window_of "$by_folder" '^Confirm$')
xdotool windowactivate --sync "$box" >/dev/null 2>&1 || true
xdotool key --clearmodifiers alt+n
until_true "the main window did not come back" has_window "$by_folder" "$main_title"
[ "$(grep -o 'HREF="[^"]*"' "$state" | sed 's|.*/holiday/||; s|"$||' | tr '\n' '|')" = \
  "Arrival.wav|day 1/evening.wav|Day 2/morning.wav|" ] || fail "the folder played $(cat "$state")"
close_main "$by_folder"

# $1: pid, $2: the playlist – it played both clips in file order, and the main window is back
played_two_in_order() {
  until_true "$2 did not play" played_is 2
  until_true "the main window did not come back after $2" has_window "$1" "$main_title"
  [[ "$(grep -m1 '<ENTRY>' "$state")" == *b.wav* ]] || fail "$2 did not play in file order"
}

step "a playlist of each format on the command line plays at start, in file order"
for list in two.asx two.m3u two.m3u8 two.pls two.xspf; do
  rm -f "$state"
  as_user "$work/clips/$list" >/dev/null 2>&1 &
  p=$!
  pids+=("$p")
  played_two_in_order "$p" "$list"
  no_box "$p" || fail "a message box came up for $list"
  close_main "$p"
done

step "each playlist format plays in file order from Load Playlist, one after another in one run"
as_user >/dev/null 2>&1 &
loader=$!
pids+=("$loader")
until_true "no main window" has_window "$loader" "$main_title"
for list in two.m3u two.m3u8 two.pls two.xspf; do
  rm -f "$state"
  main=$(window_of "$loader" "$main_title")
  xdotool windowactivate --sync "$main" >/dev/null 2>&1 || true
  xdotool key --clearmodifiers alt+l
  until_true "no playlist dialog" has_window "$loader" '^Select Playlist$'
  dlg=$(window_of "$loader" '^Select Playlist$')
  xdotool windowactivate --sync "$dlg" >/dev/null 2>&1 || true
  xdotool type --delay 5 "$work/clips/$list"
  # The dialog takes a typed name once it has looked the file up; until then Return does nothing.
  for _ in $(seq 20); do
    has_window "$loader" '^Select Playlist$' || break
    xdotool key Return
    sleep 0.5
  done
  # A loaded playlist waits for Go!, which Enter gives.
  until_true "no player for $list" has_window "$loader" '^Vidmarro - Player$'
  player=$(window_of "$loader" '^Vidmarro - Player$')
  xdotool windowactivate --sync "$player" >/dev/null 2>&1 || true
  xdotool key --clearmodifiers Return
  played_two_in_order "$loader" "$list from Load Playlist"
done
close_main "$loader"

echo "the installed program passed"
