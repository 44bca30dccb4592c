#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh -DVIDMARRO_WERROR=ON
cd build
ctest --output-on-failure --timeout 600 "$@"
