#!/usr/bin/env bash
# Builds the Debian package into build-deb/ (vidmarro_<version>_<arch>.deb) and checks it with
# lintian. Its Depends come from the libraries the program links (dpkg-shlibdeps) plus the ones it
# opens on first use and the MIDI soundfont. Install it with: sudo apt-get install ./build-deb/vidmarro_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
# Debian's own compiler and linker flags, all hardening included.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
# CMake reads no CPPFLAGS: the fortify switch goes with the compiler flags.
export CFLAGS="$CFLAGS $CPPFLAGS" CXXFLAGS="$CXXFLAGS $CPPFLAGS"
rm -rf build-deb
cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
  -DVIDMARRO_TESTS=OFF -DVIDMARRO_BENCH=OFF "$@"
cmake --build build-deb --parallel "${VIDMARRO_JOBS:-$(nproc)}"
(cd build-deb && cpack -G DEB)
deb=$(ls build-deb/vidmarro_*.deb)
echo "built $deb"
dpkg-deb --field "$deb" Depends
lintian --fail-on error "$deb"
