#!/usr/bin/env bash
# Fails on a source file that differs from .clang-format, and names it.
# Usage: format_check.sh <source root>
set -euo pipefail
cd "$1"
command -v clang-format >/dev/null || { echo "clang-format is missing (scripts/deps.sh installs it)"; exit 1; }
mapfile -t files < <(find common playlist platform player clipmanager editor app tests bench fuzz \
  -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) | sort)
bad=0
for f in "${files[@]}"; do
  if ! clang-format --dry-run --Werror "$f" >/dev/null 2>&1; then
    echo "not formatted: $f (clang-format -i $f)"
    bad=1
  fi
done
echo "${#files[@]} files checked"
exit $bad
