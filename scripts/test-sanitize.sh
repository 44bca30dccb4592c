#!/usr/bin/env bash
# Builds the program and every test with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-asan/ and runs the whole test suite there. Any sanitizer report fails the test that made it.
# Extra arguments go to ctest (`-R tst_playlist`). CI runs it after scripts/test.sh: from a fresh
# clone on 2 cores with no compiler cache it takes about 15 minutes, 10.5 of them building.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/deps.sh

flags="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined"
# -O1 keeps the stacks readable and the suite fast enough; the benchmarks, which never run in
# ctest, are left out (a fifth fewer build steps).
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVIDMARRO_BENCH=OFF \
  -DCMAKE_C_FLAGS="$flags -O1" -DCMAKE_CXX_FLAGS="$flags -O1" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined"
cmake --build build-asan --parallel "${VIDMARRO_JOBS:-2}"

# Each process writes its reports to a file of its own in build-asan/sanitizer-reports/, so that
# a report is heard also from a program whose output a test throws away (the engine check, the
# program under a shell test); they are shown at the end, and any one of them fails the run.
reports=$root/build-asan/sanitizer-reports
rm -rf "$reports"
mkdir -p "$reports"
chmod 1777 "$reports" # tests run the program as another user too
# Leaks are looked for too; the suppressions name third-party libraries only (see the file).
# verify_asan_link_order=0: tests that preload a fault-injection library would be refused otherwise.
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:detect_leaks=1:detect_stack_use_after_return=0:strict_string_checks=0:verify_asan_link_order=0:print_suppressions=0:log_path=$reports/asan:log_exe_name=1"
export LSAN_OPTIONS="suppressions=$root/scripts/sanitize/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:suppressions=$root/scripts/sanitize/ubsan.supp:log_path=$reports/ubsan:log_exe_name=1"
# Mesa unloads its DRI driver when the last GL display closes; what the driver still holds then
# shows up as leaks that no stack can name. Loaded from the start, it stays until exit.
dri=$(ls /usr/lib/*/dri/swrast_dri.so 2>/dev/null | head -n 1 || true)
[ -n "$dri" ] && export LD_PRELOAD="$dri${LD_PRELOAD:+:$LD_PRELOAD}"
cd build-asan
status=0
ctest --output-on-failure --timeout 1200 "$@" || status=$?
for report in "$reports"/*; do
  [ -e "$report" ] || continue
  echo "== sanitizer report ${report##*/}"
  cat "$report"
  status=1
done
exit "$status"
