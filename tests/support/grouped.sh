#!/usr/bin/env bash
# Runs a test (the arguments) as a process group of its own and, however it ends (a failed check,
# a crash, an abort, a sanitizer's stop, a signal), kills whatever it left in that group: a helper
# that outlives its test (a private bus, a stand-in service, a display) holds the test's output
# open, and ctest would wait on it until its time limit.
# No test reaches the user's session bus, nor has one started for it: without an address, libdbus
# on an X display starts a bus of its own (autolaunch), which leaves the group and outlives the
# test. Tests that need a bus start a private one and point this variable at it.
export DBUS_SESSION_BUS_ADDRESS=disabled:
set -m # job control: the test leads a new process group, and what it starts stays in it
# Away from the terminal's input: a background group that touches it would be stopped.
"$@" </dev/null &
test=$!
set +m
end_group() { kill -KILL -- "-$test" 2>/dev/null || true; }
trap 'end_group; exit 129' HUP
trap 'end_group; exit 130' INT
trap 'end_group; exit 143' TERM
wait "$test"
status=$?
end_group
exit "$status"
