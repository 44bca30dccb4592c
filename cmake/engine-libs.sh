#!/bin/sh
# usage: engine-libs.sh MODULE OUT
# Writes the libraries MODULE needs, one path a line, in the reverse of the loader's order, so that
# a library's own needs mostly come before it; then those of Mesa's graphics driver (one file under
# every GPU's name), which the video output loads at the first picture. The program loads them one
# by one ahead of the module (see platform/module/ModuleLoader.h). Where ldd cannot tell (a cross
# build), the list is empty and the module loads them all at once.
set -u
module=$1
out=$2
# The toolkit's own libraries stay out: they load with the module, as the toolkit expects. Qt's
# OpenGL widgets loaded on their own left an allocation behind that a leak check reports at exit.
needs() {
  ldd "$1" 2>/dev/null | awk '$2 == "=>" && $3 ~ /^\// && $3 !~ /\/libQt6/ { print $3 }' | tac
}
{
  needs "$module"
  egl=$(ldd "$module" 2>/dev/null | awk '$1 ~ /^libEGL\.so/ && $3 ~ /^\// { print $3 }')
  if [ -n "$egl" ]; then
    for driver in "${egl%/*}/dri/swrast_dri.so" "/usr${egl%/*}/dri/swrast_dri.so"; do
      if [ -e "$driver" ]; then
        needs "$driver"
        break
      fi
    done
  fi
} | awk '!seen[$0]++' >"$out.tmp"
mv "$out.tmp" "$out"
