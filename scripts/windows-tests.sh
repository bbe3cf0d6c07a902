#!/usr/bin/env bash
# The Windows build's tests under wine64 on this Linux machine (scripts/windows.sh runs it
# after the build; it runs alone on what build-win/ and dist/ hold):
#   1. the cross-built unit suites, headless (Qt's offscreen platform);
#   2. tarvix-cli.exe against tarvix-sim through a Wine COM port linked to the simulator's
#      pseudo-terminal, beside the Linux tarvix-cli against a second, identical simulator: the
#      same output is expected; working directory and files with Cyrillic letters and spaces;
#   3. tarvix.exe under Xvfb: log-in, the main tab online, a parameter written, the diagram of a
#      push; screenshots docs/windows-main.png and docs/windows-diagram.png;
#   4. the setup program into a fresh Wine prefix, silently, tarvix-cli.exe --help from the
#      installed folder, the uninstaller, and nothing left but the user's files.
# Ends with the line "N passed, N failed" (every unit test and every check counts once) and
# exits non-zero when anything failed.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

cache=${TARVIX_QT_CACHE:-/opt/tarvix-qt6-mingw}
build=$root/build-win
hostbuild=$root/build
dist=$root/dist/windows/Tarvix
run=$build/wine-run
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
gcc_dir=$(dirname "$(x86_64-w64-mingw32-gcc-posix -print-libgcc-file-name)")

passed=0
failed=0
pass() { echo "  ok    $1"; passed=$((passed + 1)); }
fail() { echo "  FAIL  $1"; failed=$((failed + 1)); }
check() {  # check NAME COMMAND...: one check, passed when the command succeeds
  local name=$1
  shift
  if "$@"; then pass "$name"; else fail "$name"; fi
}
step() { printf '\n== %s (%s)\n' "$1" "$(date +%T)"; }
winpath() { echo "Z:${1//\//\\}"; }

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  WINEPREFIX=$run/prefix "$wineserver" -k 2>/dev/null
  WINEPREFIX=$run/prefix-install "$wineserver" -k 2>/dev/null
}
trap cleanup EXIT

# Wine in a prefix of its own, with a home of its own (the prefix's Documents live there).
rm -rf "$run"
mkdir -p "$run/home"
export HOME=$run/home WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEPREFIX=$run/prefix
export WINEPATH="$(winpath "$cache/bin");$(winpath "$gcc_dir");$(winpath /usr/x86_64-w64-mingw32/lib)"
step "Wine prefix"
"$wine" wineboot -i >/dev/null 2>&1
"$wineserver" -w

# Two simulated modules on the demo bench: one for Windows on COM12, one for Linux. Their
# consoles read from named pipes, which the scripts and the tests write commands into.
start_sim() {  # start_sim NAME: tarvix-sim on $run/NAME.tty, console $run/NAME.console
  mkfifo "$run/$1.console"
  exec {fd}<>"$run/$1.console"
  "$hostbuild/sim/tarvix-sim" --bench sim/demo/tp.ini --link "$run/$1.tty" \
    <"$run/$1.console" >"$run/$1.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [ -e "$run/$1.tty" ] && return 0; sleep 0.1; done
  echo "tarvix-sim did not start: $(cat "$run/$1.log")" >&2
  return 1
}
start_sim win && start_sim linux && start_sim unit || exit 1
# Wine's own com1 (the host's /dev/ttyS0) goes: COM1 stands for a port that is absent, as the
# tests expect; COM12 is the simulator of the commands below, COM13 that of the unit suites.
rm -f "$WINEPREFIX"/dosdevices/com[0-9]*
ln -s "$run/win.tty" "$WINEPREFIX/dosdevices/com12"
ln -s "$run/unit.tty" "$WINEPREFIX/dosdevices/com13"
"$wineserver" -k

step "Unit suites under Wine"
suites=(test_core test_link test_params test_app test_operation test_bench test_sim test_tools
  test_ui test_win32line)
# Windows has no per-process file size limit, which the full-disk tests rely on.
filter=--gtest_filter=-*FullDisk*
mkdir -p "$run/suites"
for suite in "${suites[@]}"; do
  log=$run/suites/$suite.log
  (cd "$run/suites" && QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH="$(winpath "$cache/plugins")" \
    TARVIX_TEST_PORT=COM13 TARVIX_TEST_SIM_CONSOLE="$(winpath "$run/unit.console")" \
    timeout 900 "$wine" "$build/tests/$suite.exe" --gtest_brief=1 "$filter" >"$log" 2>&1)
  code=$?
  ok=$(sed -n 's/.*\[  PASSED  \] \([0-9]*\) test.*/\1/p' "$log" | tail -1)
  bad=$(grep -E '^\[  FAILED  \] [A-Za-z0-9_/]+\.[A-Za-z0-9_/]+' "$log" | cut -d' ' -f6 | sort -u | wc -l)
  ok=${ok:-0} bad=${bad:-0}
  [ "$code" -ne 0 ] && [ "$bad" -eq 0 ] && bad=1  # ended without its summary
  passed=$((passed + ok))
  failed=$((failed + bad))
  printf '  %-16s %4d passed, %d failed%s\n' "$suite" "$ok" "$bad" \
    "$([ "$bad" -eq 0 ] || echo "  (see ${log#"$root"/})")"
  [ "$bad" -eq 0 ] || grep -E '^\[  FAILED  \]|Failure|error' "$log" | head -20 | sed 's/^/      /'
done

step "tarvix-cli.exe against tarvix-sim, beside tarvix-cli on Linux"
# Windows: a working directory and a parameter file with Cyrillic letters and spaces, mem.ini in
# Windows-1251 with CRLF line ends as older installations wrote it.
wdir="$run/Рабочая папка"
ldir="$run/linux"
mkdir -p "$wdir" "$ldir"
for side in win linux; do
  dir=$([ $side = win ] && echo "$wdir" || echo "$ldir")
  port=$([ $side = win ] && echo COM12 || echo "$run/linux.tty")
  { printf '[connect]\r\nport=%s\r\nadr=100\r\n\r\n' "$port"
    sed 's/\r*$/\r/' sim/demo/mem.ini; } | iconv -f utf-8 -t cp1251 >"$dir/mem.ini"
  cp sim/demo/tp.ini "$dir/tp.ini"
done
cli_win() { (cd "$wdir" && "$wine" "$dist/tarvix-cli.exe" "$@"); }
cli_linux() { (cd "$ldir" && "$hostbuild/tools/tarvix-cli" "$@"); }
# Runs one command on both sides at once; the outputs (stdout, stderr, exit code) must match,
# digits masked with -d for what runs on a clock (the module's time, measured currents).
same() {
  local mask=cat
  [ "$1" = -d ] && { mask="sed -E s/[0-9]+/N/g"; shift; }
  local name="tarvix-cli $*"
  (cli_win "$@" >"$run/win.out" 2>"$run/win.err"; echo "exit $?" >>"$run/win.out") &
  local wpid=$!
  (cli_linux "$@" >"$run/linux.out" 2>"$run/linux.err"; echo "exit $?" >>"$run/linux.out")
  wait $wpid
  # Wine's console writes CRLF; the program writes LF.
  if diff <(tr -d '\r' <"$run/win.out" | $mask; tr -d '\r' <"$run/win.err" | $mask) \
    <($mask <"$run/linux.out"; $mask <"$run/linux.err") >"$run/diff.txt"; then
    pass "$name"
  else
    fail "$name"
    sed 's/^/      /' "$run/diff.txt" | head -20
  fi
}
same identify
same read 16 17
same read 768 2 --repeat 3
same log
same -d clock
set_file="Параметры 1.txt"
same params-save "$set_file"
check "parameter files the same on both sides" cmp -s "$wdir/$set_file" "$ldir/$set_file"
# One timer changed in the file: the comparison shows it, loading writes it, then none differs.
sed -i '/^\[main_timers/,/^\[/ s/^n2=300\r$/n2=350\r/' "$wdir/$set_file" "$ldir/$set_file"
same params-diff "$set_file"
same params-load "$set_file"
same params-diff "$set_file"
same -d test --serial 1234
check "test report written under the Cyrillic path" \
  bash -c "ls '$wdir'/reports/*.csv >/dev/null 2>&1"
check "mem.ini still Windows-1251 with CRLF" \
  bash -c "! iconv -f utf-8 -t utf-8 '$wdir/mem.ini' >/dev/null 2>&1 && grep -q \$'\\r\$' '$wdir/mem.ini'"

# The adapter pulled out under a running read, then put back: the same text as on Linux, and
# the next run opens the port again.
cli_win read 16 17 --repeat 100000 >/dev/null 2>"$run/unplug.err" &
reader=$!
sleep 2
echo unplug >"$run/win.console"
wait $reader
check "adapter pulled out: Нет связи с портом" grep -q "Нет связи с портом" "$run/unplug.err"
echo plug >"$run/win.console"
sleep 1
check "adapter back: the port opens again" bash -c "cd '$wdir' && '$wine' '$dist/tarvix-cli.exe' identify | grep -q 205"
check "a port that does not exist: Ошибка открытия порта" \
  bash -c "cd '$wdir' && '$wine' '$dist/tarvix-cli.exe' --port COM19 identify 2>&1 | grep -q 'Ошибка открытия порта'"

# One exchange's wall time: 61 reads of 17 registers, Windows under Wine beside Linux.
timed() { local s e; s=$(date +%s%N); "$@" >/dev/null 2>&1; e=$(date +%s%N); echo $(((e - s) / 1000000)); }
t_win=$(timed cli_win read 16 17 --repeat 61)
t_linux=$(timed cli_linux read 16 17 --repeat 61)
echo "  read 16 17 --repeat 61: Wine $t_win ms, Linux $t_linux ms (one exchange:" \
  "$((t_win / 61)) ms and $((t_linux / 61)) ms)"

step "tarvix.exe under Wine and Xvfb"
bash scripts/windows-gui.sh "$run" "$wdir" && pass "tarvix.exe: log-in, online, a parameter written, the diagram" ||
  fail "tarvix.exe: log-in, online, a parameter written, the diagram"
check "mem.ini still Windows-1251 with CRLF after the window saved it" \
  bash -c "! iconv -f utf-8 -t utf-8 '$wdir/mem.ini' >/dev/null 2>&1 && grep -q \$'\\r\$' '$wdir/mem.ini'"
check "the Linux build reads the mem.ini the Windows program wrote" \
  bash -c "cd '$wdir' && sed -i 's|^port=COM12\r\$|port=$run/win.tty\r|' mem.ini && '$hostbuild/tools/tarvix-cli' identify | grep -q 205"

step "Setup program in a fresh Wine prefix"
setup=$(ls -t dist/Tarvix-*-setup.exe 2>/dev/null | head -1)
if [ -z "$setup" ]; then
  fail "setup program built"
else
  export WINEPREFIX=$run/prefix-install
  "$wine" wineboot -i >/dev/null 2>&1
  "$wineserver" -w
  (cd "$run" && "$wine" "$root/$setup" /S)
  "$wineserver" -w
  installed="$WINEPREFIX/drive_c/Program Files/Tarvix"
  check "installed under Program Files" test -f "$installed/tarvix.exe"
  check "Start-menu entry" bash -c "find '$WINEPREFIX/drive_c' -name Tarvix.lnk | grep -q ."
  check "tarvix-cli.exe --help from the installed folder" \
    bash -c "cd '$run' && '$wine' 'C:\\Program Files\\Tarvix\\tarvix-cli.exe' --help | grep -q tarvix-cli"
  # The user's files, in the shortcut's working directory.
  docs=$(find "$WINEPREFIX/drive_c/users" -maxdepth 3 -type d -path '*Documents/Tarvix' | head -1)
  if [ -n "$docs" ]; then
    printf '[connect]\r\nport=COM3\r\n' >"$docs/mem.ini"
    echo "firmware=205" >"$docs/Мой набор.txt"
  fi
  (cd "$run" && "$wine" 'C:\Program Files\Tarvix\uninstall.exe' /S)
  "$wineserver" -w
  check "uninstalled: the program's folder is gone" test ! -e "$installed"
  check "uninstalled: no Start-menu entry" bash -c "! find '$WINEPREFIX/drive_c' -name Tarvix.lnk | grep -q ."
  check "uninstalled: the registry keys are gone" \
    bash -c "! grep -qi 'Software\\\\\\\\Tarvix\\|Uninstall\\\\\\\\Tarvix' '$WINEPREFIX/system.reg'"
  check "uninstalled: the user's files stay" \
    bash -c "[ -n '$docs' ] && [ -f '$docs/mem.ini' ] && [ -f '$docs/Мой набор.txt' ]"
  left=$(find "$WINEPREFIX/drive_c" -iname '*tarvix*' ! -path "$docs" ! -path "$docs/*" | head)
  check "uninstalled: nothing else of Tarvix left" test -z "$left"
  [ -z "$left" ] || echo "$left" | sed 's/^/      /'
fi

echo
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
