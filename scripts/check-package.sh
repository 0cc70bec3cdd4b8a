#!/usr/bin/env bash
# Builds the Debian package from a build folder (default build/) and checks
# it: its Depends name the package of every shared library the programs load,
# it holds exactly the installed files, and the programs, manual pages and
# completion work from it. Run as root under CI (CI=true), it also installs
# the package with dpkg -i, runs the installed programs and removes it again.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
root=$(pwd)

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
read -ra programs <"$build/dist/programs.txt"
rm -f "$build"/tapwright_*.deb
if ! (cd "$build" && cpack -G DEB) >"$build/cpack.log" 2>&1; then
  cat "$build/cpack.log"
  exit 1
fi
deb=$(ls "$build"/tapwright_"$version"_*.deb)
echo "$deb:"
dpkg-deb -f "$deb" Package Version Depends

# Every library a program loads belongs to a package that Depends names.
depends=$(dpkg-deb -f "$deb" Depends)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg-deb -x "$deb" "$scratch"
for p in "${programs[@]}"; do
  needed=$(objdump -p "$scratch/usr/bin/$p" | awk '$1 == "NEEDED" { print $2 }')
  [ -n "$needed" ] || { echo "FAIL: $p names no shared library"; exit 1; }
  for library in $needed; do
    # awk reads to the end: ldconfig never writes into a closed pipe.
    path=$(ldconfig -p | awk -v lib="$library" '$1 == lib && !found { print $NF; found = 1 }')
    owner=$({ dpkg -S "$path" 2>/dev/null || dpkg -S "$(readlink -f "$path")"; } | sed -n "1s/:.*//p")
    if [[ ", $depends," != *", $owner "* && ", $depends," != *", $owner,"* ]]; then
      echo "FAIL: $p needs $library (package '$owner'), which Depends does not name"
      exit 1
    fi
  done
done

# Nothing outside /usr, and under it exactly what `cmake --install` installs.
[ "$(ls "$scratch")" = usr ] || { echo "FAIL: the package holds $(ls "$scratch")"; exit 1; }
bash tests/dist/check_installed.sh "$scratch/usr" "$version" examples "${programs[@]}"

if [ "$(id -u)" -eq 0 ] && [ "${CI:-}" = true ]; then
  trap 'rm -rf "$scratch"; dpkg -r tapwright >/dev/null 2>&1 || true' EXIT
  dpkg -i "$deb" >/dev/null
  cd /
  /usr/bin/tapwright-sim /usr/share/doc/tapwright/examples/idcode.svf -c
  for p in "${programs[@]}"; do
    [ "$(man -w "$p")" = "/usr/share/man/man1/$p.1" ] || { echo "FAIL: man -w $p"; exit 1; }
  done
  # sed reads to the end, so man never writes into a closed pipe.
  MANWIDTH=80 man tapwright-sim | sed -n 1,3p
  dpkg -r tapwright >/dev/null
  if [ -e /usr/bin/tapwright-sim ]; then
    echo "FAIL: /usr/bin/tapwright-sim is still there after dpkg -r"
    exit 1
  fi
  cd "$root"
  echo "dpkg -i, the installed programs and dpkg -r: passed"
fi
