#!/usr/bin/env bash
# Plays every example with tapwright.exe and tapwright-play.exe under Wine,
# the test FTD2XX.dll beside them, and checks standard output, standard
# error, the exit status and the byte stream the DLL received against
# tapwright-sim and tapwright-play --sim on the same file: as it is, and with
# CRLF line ends from a folder whose name has a blank. Exit 77 (skipped)
# when Wine cannot start.
set -uo pipefail
windows_dir=$1 sim=$2 examples=$3 work=$4 wine=$5 play_exe=$6 play=$7
failed=0 passed=0
fail() {
  echo "FAIL: $*"
  failed=$((failed + 1))
}

# The prefix lives in the build tree; nothing of Wine's own is shown.
mkdir -p "$work"
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
# Wine's own services outlive the runs and hold this test's output open, so
# ctest would wait on them: end them all on the way out.
wineserver=$(dirname "$(command -v "$wine")")/wineserver
trap '[[ -x $wineserver ]] && "$wineserver" -k 2>/dev/null' EXIT
probe=$(timeout 600 "$wine" cmd.exe /c echo wine-started 2>&1)
if [[ $probe != *wine-started* ]]; then
  echo "SKIPPED: Wine cannot start here: $(tail -n 3 <<<"$probe" | tr '\n' ' ')"
  exit 77
fi
[[ -x $wineserver ]] && "$wineserver" -p 20  # kept up between the runs

with=$work/with-library without="$work/without library" crlf="$work/crlf files"
rm -rf "$with" "$without" "$crlf"
mkdir -p "$with" "$without" "$crlf"
cp "$windows_dir/tapwright.exe" "$play_exe" "$windows_dir/FTD2XX.dll" "$with/"
cp "$windows_dir/tapwright.exe" "$without/"

windows_path() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }

# run_wine DIR EXE OUT ARGS...: Windows line ends and the Windows spelling of
# $unix_path are taken back to their Unix forms. A run that fails and prints
# nothing never reached the program (Wine did not launch it, which happens
# on a loaded machine) and is tried again.
run_wine() {
  local dir=$1 exe=$2 out=$3 status
  shift 3
  for _ in 1 2 3; do
    (cd "$dir" && "$wine" "$dir/$exe" "$@" <"${stdin:-/dev/null}" >"$out.raw.out" 2>"$out.raw.err")
    status=$?
    [[ $status == 0 || -s $out.raw.out || -s $out.raw.err ]] && break
  done
  for stream in out err; do
    UNIX=${unix_path:-} WIN=$(windows_path "${unix_path:-}") \
      perl -pe 's/\r$//; s/\Q$ENV{WIN}\E/$ENV{UNIX}/g if $ENV{UNIX}' "$out.raw.$stream" >"$out.$stream"
  done
  return "$status"
}

# compare EXE NAME SVF ARGS...: natively, then under Wine.
compare() {
  local exe=$1 name=$2 svf=$3 native=$work/$2.native wine_run=$work/$2.wine
  shift 3
  rm -f "$native.bin" "$wine_run.bin"
  if [[ $exe == tapwright-play.exe ]]; then
    "$play" --sim --capture-out "$native.bin" "$@" "$svf" >"$native.out" 2>"$native.err"
  else
    "$sim" --capture-out "$native.bin" "$svf" "$@" >"$native.out" 2>"$native.err"
  fi
  local native_status=$?
  TAPWRIGHT_FTD2XX_CAPTURE=$(windows_path "$wine_run.bin") unix_path=$svf \
    run_wine "$with" "$exe" "$wine_run" "$(windows_path "$svf")" "$@"
  local status=$? before=$failed
  # -v names the device the vendor library opened by its serial.
  if [[ $exe == tapwright-play.exe && " $* " == *" -v "* ]]; then
    grep -qx "$svf: on FTDI serial TW000001" "$wine_run.out" || fail "$name: no device line"
    sed -i "\|^$svf: on FTDI serial TW000001\$|d" "$wine_run.out"
  fi
  [[ $status == "$native_status" ]] || fail "$name: exit $status under Wine, $native_status natively"
  cmp -s "$native.out" "$wine_run.out" || fail "$name: standard output differs"
  cmp -s "$native.err" "$wine_run.err" || fail "$name: standard error differs"
  [[ -s $native.bin ]] && cmp -s "$native.bin" "$wine_run.bin" ||
    fail "$name: the byte stream the DLL received differs"
  [[ $failed == "$before" ]] && passed=$((passed + 1)) && echo "ok: $name (exit $status)"
}

for svf in "$examples"/*.svf; do
  name=$(basename "$svf" .svf)
  sed 's/\r*$/\r/' "$svf" >"$crlf/$name.svf"
  for exe in tapwright.exe tapwright-play.exe; do
    compare "$exe" "$exe-$name" "$svf" -c -v
    compare "$exe" "$exe-$name-crlf" "$crlf/$name.svf" -c
  done
done
compare tapwright.exe "asynchronous" "$examples/idcode.svf"

# The vendor library's device list, as the simulated cable lists itself.
"$play" --sim --scan-usb >"$work/scan.native.out" 2>&1
run_wine "$with" tapwright-play.exe "$work/scan.wine" --scan-usb
[[ $? == 0 ]] && cmp -s "$work/scan.native.out" "$work/scan.wine.out" ||
  fail "--scan-usb: '$(cat "$work/scan.wine.out" "$work/scan.wine.err")'"

# Standard input, which tapwright-play copies to a temporary file of the user's.
stdin=$examples/idcode.svf run_wine "$with" tapwright-play.exe "$work/stdin" - -c
[[ $? == 0 && $(cat "$work/stdin.out") == "<stdin>: every compared TDO bit matched" ]] ||
  fail "tapwright-play.exe - : $(cat "$work/stdin.out" "$work/stdin.err")"
# Without the library beside it, the program cannot reach a cable.
run_wine "$without" tapwright.exe "$work/alone" "$(windows_path "$examples/idcode.svf")" -c
[[ $? == 1 && $(cat "$work/alone.err") == "can't open USB device" ]] ||
  fail "without FTD2XX.dll: '$(cat "$work/alone.err")'"

echo "wine: $passed compared, $failed failed"
[[ $failed == 0 ]]
