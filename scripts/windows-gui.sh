#!/usr/bin/env bash
# tarvix.exe under Wine on an Xvfb screen, used as a person would, with xdotool: the password,
# the main tab online with the simulated module, one timer typed and written, the diagram
# ticked and a push sent. Takes docs/windows-main.png and docs/windows-diagram.png. The
# session journal (tarvix.log) is the proof: the log-in, the module online, the register write
# with the new value and the command. Called by scripts/windows-tests.sh with its Wine prefix
# (WINEPREFIX), the run folder and the working directory, whose mem.ini names the COM port of
# the simulator; the prefix has the fonts of a Windows desktop.
#   usage: windows-gui.sh RUN_DIR WORK_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
run=$1
wdir=$2
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
journal=$wdir/tarvix.log

# Positions on the 1280x1024 desktop, where the window opens maximised under its caption.
tab_main=(43 66)
tab_control=(415 66)
tab_diagram=(507 66)
timer_cell=(550 135)  # the value of the second timer, "Параметры таймеров" on the main tab
button_write=(772 861)
check_diagram=(20 977)
button_push=(70 123)
button_pull=(200 123)

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$run/xvfb.display" >"$run/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 50); do [ -s "$run/xvfb.display" ] && break; sleep 0.2; done
export DISPLAY=:$(cat "$run/xvfb.display")
# A desktop of Wine's own: the window gets a Windows caption and frame, as it has on Windows.
(cd "$wdir" && exec "$wine" explorer /desktop=Tarvix,1280x1024 \
  "$root/dist/windows/Tarvix/tarvix.exe" >"$run/tarvix-gui.log" 2>&1) &
app=$!
trap 'kill $app $xvfb 2>/dev/null || true' EXIT

click() { xdotool mousemove --sync "$1" "$2" click 1; sleep 0.7; }
shot() { import -window root "$1"; }
# The journal may hold lines of the commands run before (tarvix-cli writes it too): a wait
# looks only at what came after the last mark.
seen=0
mark() { seen=$(if [ -f "$journal" ]; then wc -l <"$journal"; else echo 0; fi); }
wait_for() {  # wait_for SECONDS TEXT: until the journal has TEXT after the mark
  for _ in $(seq $(($1 * 5))); do
    tail -n +$((seen + 1)) "$journal" 2>/dev/null | grep -q "$2" && return 0
    sleep 0.2
  done
  echo "windows-gui: the journal has no \"$2\"" >&2
  shot "$run/gui-failed.png"
  return 1
}

mark
login=$(timeout 60 xdotool search --sync --name "Вход с паролем" | head -1)
xdotool windowfocus --sync "$login"
xdotool type --delay 80 8766
xdotool key Return
wait_for 30 "Сеанс начат"
wait_for 30 "МОДУЛЬ НА СВЯЗИ"
click "${tab_main[@]}"
sleep 1
xdotool key Return  # "ВНИМАНИЕ!": OK reads the tables from the module
sleep 3

# A timer typed into its cell and written to the module.
xdotool mousemove --sync "${timer_cell[@]}" click --repeat 2 1
sleep 0.5
xdotool key ctrl+a
xdotool type --delay 80 450
xdotool key Return
sleep 0.5
mark
click "${button_write[@]}"
wait_for 10 "рег\. 98: [0-9]* -> 450"
sleep 1
xdotool key Return  # the box that offers to read the tables back: they are read again
sleep 3
shot "$root/docs/windows-main.png"

# The diagram of a push: pulled out first, so that the push has a way to go.
click "${tab_diagram[@]}"
click "${check_diagram[@]}"
click "${tab_control[@]}"
mark
click "${button_pull[@]}"
wait_for 10 "Команда «Выкатить/Отключить»: отправлена"
sleep 5
mark
click "${button_push[@]}"
wait_for 10 "Команда «Вкатить/Включить»: отправлена"
click "${tab_diagram[@]}"
sleep 5
shot "$root/docs/windows-diagram.png"

# Closed as a user closes it: the window saves its place into mem.ini.
mark
xdotool key alt+F4
wait_for 10 "Сеанс завершён"
# And the program ends: nothing of it stays behind in the task list (the desktop's explorer,
# whose command line names the program too, is not it).
program_running() {
  for pid in $(pgrep -f 'tarvix\.exe'); do
    local line
    line=$(tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline") || continue  # ended meanwhile
    [[ $line == *explorer* ]] || return 0
  done
  return 1
}
for _ in $(seq 100); do program_running || exit 0; sleep 0.2; done
echo "windows-gui: tarvix.exe still runs 20 s after its window closed" >&2
exit 1
