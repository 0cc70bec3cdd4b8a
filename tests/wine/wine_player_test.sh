#!/usr/bin/env bash
# Plays every example with tapwright.exe under Wine, the test FTD2XX.dll
# beside it, and checks standard output, standard error, the exit status and
# the byte stream the DLL received against tapwright-sim on the same file.
# Each file is played twice: as it is, and with CRLF line ends from a folder
# whose name has a blank. Exit 77 (skipped) when Wine cannot start.
set -uo pipefail

windows_dir=$1 sim=$2 examples=$3 work=$4 wine=$5 objdump=${6:-}

passed=0
failed=0
pass() { passed=$((passed + 1)); }
fail() {
  echo "FAIL: $*"
  failed=$((failed + 1))
}

exe=$windows_dir/tapwright.exe
dll=$windows_dir/FTD2XX.dll
for f in "$exe" "$dll" "$sim"; do
  [[ -f $f ]] || { echo "FAIL: $f is missing (the builds did not finish)"; exit 1; }
done

# The prefix lives in the build tree and is made by the first start only;
# nothing of Wine's own is installed or shown on a screen.
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$work"

# Windows sees the Unix root as drive Z:.
windows_path() {
  local p=${1//\//\\}
  printf 'Z:%s' "$p"
}

# The export table: exactly the six ordinals, and no name at all.
if [[ -n $objdump ]]; then
  table=$("$objdump" -p "$dll")
  ordinals=$(sed -n 's/.*+base\[ *\([0-9]*\)\].*/\1/p' <<<"$table" | sort -n | tr '\n' ' ')
  names=$(sed -n 's/.*\[Name Pointer\/Ordinal\] Table[[:space:]]*\([0-9a-f]*\)$/\1/p' <<<"$table")
  if [[ $ordinals == "1 2 3 4 26 31 " && $names =~ ^0+$ ]]; then
    pass
  else
    fail "FTD2XX.dll exports ordinals '$ordinals' and $names names"
  fi
fi

started=$(date +%s)
probe=$(timeout 600 "$wine" cmd.exe /c echo wine-started 2>"$work/probe.err")
probe_status=$?
if [[ $probe != *wine-started* ]]; then
  echo "SKIPPED: Wine cannot start here ($wine exited with $probe_status):" \
    "$(tail -n 3 "$work/probe.err" | tr '\n' ' ')"
  exit 77
fi
echo "Wine ready in $(($(date +%s) - started)) s"
# Keep the Wine server up between the runs; it ends by itself when idle.
wineserver=$(dirname "$(command -v "$wine")")/wineserver
[[ -x $wineserver ]] && "$wineserver" -p 20

no_dll="$work/without library"
with_dll="$work/with library"
rm -rf "$no_dll" "$with_dll" "$work/crlf files"
mkdir -p "$no_dll" "$with_dll" "$work/crlf files"
cp "$exe" "$no_dll/"
cp "$exe" "$dll" "$with_dll/"

# run_wine DIR OUT_PREFIX ARGS...: tapwright.exe from DIR, which is also the
# current folder; Windows line ends of its output are taken back to LF.
# tapwright never fails without a message, so a run that ends with a
# failure status and prints nothing at all never reached the program: Wine
# failed to launch it, which happens now and then on a loaded machine. Such
# a run is tried again.
run_wine() {
  local dir=$1 out=$2
  shift 2
  local status attempt
  for attempt in 1 2 3; do
    (cd "$dir" && "$wine" "$dir/tapwright.exe" "$@" >"$out.raw.out" 2>"$out.raw.err")
    status=$?
    if [[ $status == 0 || -s $out.raw.out || -s $out.raw.err ]]; then
      break
    fi
    echo "note: Wine did not launch tapwright.exe (status $status, attempt $attempt)"
  done
  sed 's/\r$//' "$out.raw.out" >"$out.out"
  sed 's/\r$//' "$out.raw.err" >"$out.err"
  return $status
}

# compare NAME SVF ARGS...: the same run natively and under Wine.
compare() {
  local name=$1 svf=$2
  shift 2
  local native=$work/$name.native wine_run=$work/$name.wine
  rm -f "$native.bin" "$wine_run.bin"
  (cd "$work" && "$sim" --capture-out "$native.bin" "$svf" "$@" >"$native.out" 2>"$native.err")
  local native_status=$?
  TAPWRIGHT_FTD2XX_CAPTURE=$(windows_path "$wine_run.bin") \
    run_wine "$with_dll" "$wine_run" "$(windows_path "$svf")" "$@"
  local wine_status=$?
  local ok=1
  if [[ $native_status != "$wine_status" ]]; then
    fail "$name: exit status $wine_status under Wine, $native_status natively"
    ok=0
  fi
  for stream in out err; do
    if ! cmp -s "$native.$stream" "$wine_run.$stream"; then
      fail "$name: standard $stream differs"
      diff "$native.$stream" "$wine_run.$stream" | head -n 10
      ok=0
    fi
  done
  if [[ ! -s $native.bin ]] || ! cmp -s "$native.bin" "$wine_run.bin"; then
    fail "$name: the byte stream the DLL received differs from tapwright-sim's"
    ok=0
  fi
  [[ $ok == 1 ]] && pass && echo "ok: $name (exit $wine_status)"
}

shopt -s nullglob
svfs=("$examples"/*.svf)
[[ ${#svfs[@]} -gt 0 ]] || { echo "FAIL: no SVF file in $examples"; exit 1; }
for svf in "${svfs[@]}"; do
  name=$(basename "$svf" .svf)
  compare "$name" "$svf" -c
  crlf="$work/crlf files/$name.svf"
  sed 's/\r*$/\r/' "$svf" >"$crlf"
  compare "$name-crlf" "$crlf" -c
done
# Asynchronous mode too, where nothing is read back.
first=$(basename "${svfs[0]}" .svf)
compare "$first-no-compare" "${svfs[0]}"

# Without the library beside it, the program cannot reach a cable.
run_wine "$no_dll" "$work/no-library" "$(windows_path "${svfs[0]}")" -c
status=$?
if [[ $status == 1 && $(cat "$work/no-library.err") == "can't open USB device" &&
  ! -s "$work/no-library.out" ]]; then
  pass
  echo "ok: without FTD2XX.dll: can't open USB device"
else
  fail "without FTD2XX.dll: exit $status, stderr '$(cat "$work/no-library.err")'"
fi

echo "wine: $passed passed, $failed failed"
[[ $failed == 0 ]]
