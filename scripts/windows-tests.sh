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
# exits non-zero when anything failed. Stages can be named to run only those:
#   bash scripts/windows-tests.sh [suites] [cli] [gui] [setup]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

stages=${*:-suites cli gui setup}
for stage in $stages; do
  case $stage in suites | cli | gui | setup) ;; *) echo "unknown stage: $stage" >&2; exit 2 ;; esac
done
stage() { [[ " $stages " == *" $1 "* ]]; }

cache=${TARVIX_QT_CACHE:-/opt/tarvix-qt6-mingw}
build=$root/build-win
hostbuild=$root/build
dist=$root/dist/windows/Tarvix
run=${TARVIX_WINE_RUN:-$build/wine-run}  # removed and made anew at every run
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
# The Linux programs beside: Qt warns on standard error where the session has no runtime
# folder (root on a CI machine), which would make their output differ from Windows'.
mkdir -p -m 700 "$run/xdg"
export XDG_RUNTIME_DIR=$run/xdg
# No Mono, no Gecko, and no menu entries of Wine's own on this machine for the Start menu's.
export HOME=$run/home WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
export WINEPREFIX=$run/prefix
export WINEPATH="$(winpath "$cache/bin");$(winpath "$gcc_dir");$(winpath /usr/x86_64-w64-mingw32/lib)"
# One Wine server for the whole run, started apart so that no program's output is its own; with
# a number, it ends that many seconds after its last program (so that "wineserver -w" returns).
start_wineserver() { "$wineserver" -p${1:-} >/dev/null 2>&1 </dev/null; }
step "Wine prefix"
"$wine" wineboot -i >/dev/null 2>&1
"$wineserver" -w
# The desktop as on a Windows PC: Wine's own fonts in the system's font folder (Tahoma for the
# dialogs, Marlett for the caption buttons) and, for the window's Arial, which Wine has not got,
# DejaVu Sans (Liberation Sans, Arial's twin, is drawn with uneven spacing by Wine's GDI).
cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
start_wineserver
"$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d 'DejaVu Sans' /f >/dev/null

# Two simulated modules on the demo bench: one for Windows on COM12, one for Linux, and one for
# the unit suites on COM13. Their consoles read from named pipes, which the scripts and the
# tests write commands into.
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
# The simulators' terminals become COM ports: links in Wine's devices folder, followed at every
# open, so a terminal that is gone (the adapter pulled out) fails to open as on Windows; and
# registered under SERIALCOMM as a port's driver registers it (the port list reads it there).
for port in 12:win 13:unit; do
  ln -sfn "$run/${port#*:}.tty" "$WINEPREFIX/dosdevices/com${port%:*}"
  "$wine" reg add 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v "\\Device\\Tarvix${port%:*}" \
    /d "COM${port%:*}" /f >/dev/null
done

if stage suites; then
  step "Unit suites under Wine"
  suites=(test_core test_link test_params test_app test_operation test_bench test_sim test_tools
    test_ui test_win32line)
  # Windows has no per-process file size limit, which the full-disk tests rely on.
  filter=--gtest_filter=-*FullDisk*
  echo "  left out: the full-disk tests (Windows has no per-process file size limit to fill a disk with)"
  mkdir -p "$run/suites"
  # The test programs load Qt from its cache, its plugins from there, and Qt's Russian texts from
  # the folder the Linux build takes them from (the same .qm files the setup program installs).
  printf '[Paths]\r\nPrefix = Z:%s\r\nTranslations = Z:%s\r\n' "$cache" \
    /usr/share/qt6/translations >"$build/tests/qt.conf"  # qt.conf takes "/", not "\\"
  # Wine hands no QT_ variable of the shell to a Windows program, so the window tests' offscreen
  # platform (which they choose themselves) finds its fonts through the prefix's environment:
  # Qt's offscreen platform on Windows reads font files from one folder, and there are none by
  # default.
  "$wine" reg add 'HKCU\Environment' /v QT_QPA_FONTDIR /d "$(winpath /usr/share/fonts/truetype/dejavu)" \
    /f >/dev/null
  for suite in "${suites[@]}"; do
    log=$run/suites/$suite.log
    (cd "$run/suites" && TARVIX_TEST_PORT=COM13 TARVIX_TEST_SIM_CONSOLE="$(winpath "$run/unit.console")" \
      timeout 900 "$wine" "$build/tests/$suite.exe" --gtest_brief=1 "$filter" >"$log" 2>&1)
    code=$?
    ok=$(sed -n 's/.*\[  PASSED  \] \([0-9]*\) test.*/\1/p' "$log" | tail -1)
    bad=$(grep -E '^\[  FAILED  \] [A-Za-z0-9_/]+\.[A-Za-z0-9_/]+' "$log" | cut -d' ' -f6 | sort -u | wc -l)
    skipped=$(sed -n 's/.*\[  SKIPPED \] \([0-9]*\) test.*/\1/p' "$log" | tail -1)
    ok=${ok:-0} bad=${bad:-0}
    [ "$code" -ne 0 ] && [ "$bad" -eq 0 ] && bad=1  # ended without its summary
    passed=$((passed + ok))
    failed=$((failed + bad))
    printf '  %-16s %4d passed, %d failed%s\n' "$suite" "$ok" "$bad" \
      "$([ "$bad" -eq 0 ] || echo "  (see ${log#"$root"/})")"
    [ "$bad" -eq 0 ] || grep -E '^\[  FAILED  \]|Failure|error' "$log" | head -20 | sed 's/^/      /'
    # A test that cannot run here says why (gtest prints the reason after "Skipped").
    [ -z "$skipped" ] || tr -d '\r' <"$log" | grep -A1 ': Skipped$' | grep -v -e ': Skipped$' -e '^--$' |
      sed 's/^/      skipped: /'
  done
fi

# The working directories of both sides, for the commands and the window.
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

if stage cli; then
  step "tarvix-cli.exe against tarvix-sim, beside tarvix-cli on Linux"
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
  (cd "$wdir" && timeout 120 "$wine" "$dist/tarvix-cli.exe" read 16 17 --repeat 100000 \
    >/dev/null 2>"$run/unplug.err") &
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
fi

if stage gui; then
  step "tarvix.exe under Wine and Xvfb"
  bash scripts/windows-gui.sh "$run" "$wdir" && pass "tarvix.exe: log-in, online, a parameter written, the diagram" ||
    fail "tarvix.exe: log-in, online, a parameter written, the diagram"
  check "mem.ini still Windows-1251 with CRLF after the window saved it" \
    bash -c "! iconv -f utf-8 -t utf-8 '$wdir/mem.ini' >/dev/null 2>&1 && grep -q \$'\\r\$' '$wdir/mem.ini'"
  check "the Linux build reads the mem.ini the Windows program wrote" \
    bash -c "cd '$wdir' && sed -i 's|^port=COM12\r\$|port=$run/win.tty\r|' mem.ini && '$hostbuild/tools/tarvix-cli' identify | grep -q 205"
fi

if stage setup; then
  step "Setup program in a fresh Wine prefix"
  setup=$(ls -t dist/Tarvix-*-setup.exe 2>/dev/null | head -1)
  if [ -z "$setup" ]; then
    fail "setup program built"
  else
    export WINEPREFIX=$run/prefix-install HOME=$run/home-install
    mkdir -p "$HOME"
    "$wine" wineboot -i >/dev/null 2>&1
    "$wineserver" -w
    # The setup program and the uninstaller's copy of itself (the uninstaller proper runs from
    # the temporary folder) are waited for as the server ends after them.
    start_wineserver 3
    (cd "$run" && "$wine" "$root/$setup" /S)
    "$wineserver" -w
    installed="$WINEPREFIX/drive_c/Program Files/Tarvix"
    check "installed under Program Files" test -f "$installed/tarvix.exe"
    check "Start-menu entry" bash -c "find '$WINEPREFIX/drive_c' -name Tarvix.lnk | grep -q ."
    check "in the system's list of programs" \
      grep -qi 'Uninstall\\\\Tarvix' "$WINEPREFIX/system.reg"
    check "tarvix-cli.exe --help from the installed folder" \
      bash -c "cd '$run' && '$wine' 'C:\\Program Files\\Tarvix\\tarvix-cli.exe' --help | grep -q tarvix-cli"
    # The user's files, in the shortcut's working directory.
    # (Wine's Documents is a link to the home folder.)
    docs=$(readlink -f "$WINEPREFIX/drive_c/users/$(id -un)/Documents")/Tarvix
    check "the user's folder made for the settings" test -d "$docs"
    if [ -d "$docs" ]; then
      printf '[connect]\r\nport=COM3\r\n' >"$docs/mem.ini"
      echo "firmware=205" >"$docs/Мой набор.txt"
    fi
    start_wineserver 3
    (cd "$run" && "$wine" 'C:\Program Files\Tarvix\uninstall.exe' /S)
    "$wineserver" -w
    check "uninstalled: the program's folder is gone" test ! -e "$installed"
    check "uninstalled: no Start-menu entry" bash -c "! find '$WINEPREFIX/drive_c' -name Tarvix.lnk | grep -q ."
    check "uninstalled: the registry keys are gone" \
      bash -c "! grep -qi 'Software\\\\\\\\Tarvix\\|Uninstall\\\\\\\\Tarvix' '$WINEPREFIX'/*.reg"
    check "uninstalled: the user's files stay" \
      bash -c "[ -f '$docs/mem.ini' ] && [ -f '$docs/Мой набор.txt' ]"
    # Wine's Documents, Music, Desktop, ... are all the home folder: the user's folder is
    # told by where a path leads.
    left=$(find -L "$WINEPREFIX/drive_c" "$HOME" -iname '*tarvix*' 2>/dev/null | while read -r f; do
      f_real=$(readlink -f "$f")
      [[ $f_real == "$docs" || $f_real == "$docs"/* ]] || echo "$f"
    done | head)
    check "uninstalled: nothing else of Tarvix left" test -z "$left"
    [ -z "$left" ] || echo "$left" | sed 's/^/      /'
  fi
fi

echo
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
