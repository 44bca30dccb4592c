#!/usr/bin/env bash
# Installs what is missing, builds and starts Vidmarro.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
exec build/bin/vidmarro
