#!/bin/sh
# usage: engine-libs.sh MODULE OUT
# Writes the libraries MODULE needs, one path a line, each after the libraries it needs itself, so
# that every dlopen of the list maps one library and looks its symbols up among its own needs only;
# then a blank line and the libraries of Mesa's graphics driver (one file under every GPU's name)
# that the module does not need, which the video output loads at the first picture. The program
# loads them one by one, the first part ahead of the module, the second while the first clip opens
# (see platform/module/ModuleLoader.h). Where ldd cannot tell (a cross build), the list is empty
# and the module and the driver load them all at once.
set -u
module=$1
out=$2
# What FILE needs, its own needs first, one path a line. The toolkit's own libraries stay out: they
# load with the module, as the toolkit expects (Qt's OpenGL widgets loaded on their own left an
# allocation behind that a leak check reports at exit).
needs() {
  ldd "$1" 2>/dev/null | awk '$2 == "=>" && $3 ~ /^\// { print $1, $3 }' | while read -r name path; do
    echo "lib $name $path"
    readelf -d "$path" 2>/dev/null | sed -n "s/.*(NEEDED).*\[\(.*\)\]/need $name \1/p"
  done | awk '
    $1 == "lib" { path[$2] = $3; names[++n] = $2 }
    $1 == "need" { deps[$2] = deps[$2] " " $3 }
    function visit(name,   i, k, d) {
      if ((name in seen) || !(name in path))
        return
      seen[name] = 1
      k = split(deps[name], d, " ")
      for (i = 1; i <= k; i++)
        visit(d[i])
      if (path[name] !~ /\/libQt6/)
        print path[name]
    }
    END { for (i = n; i >= 1; i--) visit(names[i]) }'
}
{
  needs "$module"
  echo
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
