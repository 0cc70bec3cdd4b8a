#!/usr/bin/env bash
# Checks an installed tapwright: exactly the files it should hold under PREFIX,
# and the programs, manual pages and completion working from there: every
# page renders without a warning and names every option its program's -h
# prints; the completion offers exactly the options of -h, each one in the page.
# Usage: check_installed.sh [--from-build BUILD_DIR] PREFIX VERSION EXAMPLES_DIR PROGRAM...
# With --from-build, first installs BUILD_DIR into PREFIX (emptied first).
set -uo pipefail
for tool in groff man; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (Debian: groff-base, man-db)"
    exit 77
  fi
done
if [ "$1" = --from-build ]; then
  build=$2
  shift 2
  rm -rf "$1"
  cmake --install "$build" --prefix "$1" >/dev/null || exit 1
fi
prefix=$(cd "$1" && pwd) || exit 1
version=$2
examples=$3
shift 3
programs=("$@")

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

expected=$(
  for p in "${programs[@]}"; do
    echo "bin/$p"
    echo "share/man/man1/$p.1"
    echo "share/bash-completion/completions/$p"
  done
  echo lib/udev/rules.d/70-tapwright-ftdi.rules
  echo share/doc/tapwright/README.md
  for f in "$examples"/*.svf; do echo "share/doc/tapwright/examples/${f##*/}"; done
)
actual=$(cd "$prefix" && find . ! -type d | sed 's|^\./||')
if ! difference=$(diff <(sort <<<"$expected") <(sort <<<"$actual")); then
  fail "installed files differ from the list (< missing, > not expected):"
  echo "$difference"
fi

has_option() {
  grep -qE -- "(^|[^A-Za-z0-9-])$2([^A-Za-z0-9-]|$)" <<<"$1"
}

check_page() {
  local name=$1 page=$prefix/share/man/man1/$1.1 warnings text help option completion
  warnings=$(groff -man -ww -z "$page" 2>&1; MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page renders with warnings: $warnings"
  text=$(groff -man -Tascii -P-cbou "$page" 2>/dev/null)
  help=$("$prefix/bin/$name" -h) || fail "$name -h exits with status $?"
  mapfile -t options < <(grep -oE -- '(^|[][ ,|(])--?[A-Za-z][A-Za-z0-9-]*' <<<"$help" |
    sed 's/^[][ ,|(]*//' | sort -u)
  [ "${#options[@]}" -gt 0 ] || fail "no option found in the help of $name: $help"
  completion=" $(bash -c '. "$1" && _tapwright_options "$2"' _ "$2" "$name") "
  for option in "${options[@]}"; do
    has_option "$text" "$option" || fail "$name -h prints $option, its manual page does not name it"
    [[ $completion == *" $option "* ]] || fail "$name -h prints $option, its completion does not offer it"
  done
  for option in $completion; do
    has_option "$text" "$option" || fail "the completion of $name offers $option, its page does not name it"
  done
}

sim=$prefix/bin/tapwright-sim
out=$("$sim" "$prefix/share/doc/tapwright/examples/idcode.svf" -c 2>&1)
status=$?
[ "$status" -eq 0 ] || fail "installed tapwright-sim on idcode.svf: status $status: $out"
[[ $out == *"<<< All TDO outputs matched to the expected values! >>>"* ]] ||
  fail "installed tapwright-sim on idcode.svf printed: $out"

for p in "${programs[@]}"; do
  if [ "$p" != tapwright ]; then
    out=$("$prefix/bin/$p" --version)
    [ "$out" = "$p $version" ] || fail "$p --version printed '$out', not '$p $version'"
  fi
  page=$(man -M "$prefix/share/man" -w "$p" 2>&1)
  [ "$page" = "$prefix/share/man/man1/$p.1" ] || fail "man finds '$page' for $p"
  header=$(MANWIDTH=80 man -M "$prefix/share/man" "$p" 2>&1 | sed -n 1p)
  upper=$(tr a-z A-Z <<<"$p")
  [[ $header == "$upper(1)"* ]] || fail "man $p begins with '$header'"
  completion_file=$prefix/share/bash-completion/completions/$p
  bash -c '. "$1" && complete -p "$2"' _ "$completion_file" "$p" >/dev/null 2>&1 ||
    fail "the completion file of $p does not complete $p"
  check_page "$p" "$completion_file"
done

rule=$prefix/lib/udev/rules.d/70-tapwright-ftdi.rules
grep -q 'ATTR{idVendor}=="0403".*TAG+="uaccess"' "$rule" ||
  fail "$rule does not tag vendor 0403 for uaccess"

[ "$failures" -eq 0 ] && echo "installed tree under $prefix: ${#programs[@]} programs, all checks passed"
exit $((failures > 0))
