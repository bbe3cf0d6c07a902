#!/usr/bin/env bash
# tarvix.exe under Wine on an Xvfb screen, used as a person would, with xdotool: the password,
# the main tab online with the simulated module, one timer typed and written, the diagram
# ticked and a push sent. Takes docs/windows-main.png and docs/windows-diagram.png. The
# session journal (tarvix.log) is the proof: the log-in, and the register write with the new
# value. Called by scripts/windows-tests.sh with its Wine prefix (WINEPREFIX), the run folder
# and the working directory, whose mem.ini names the COM port of the simulator.
#   usage: windows-gui.sh RUN_DIR WORK_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
run=$1
wdir=$2
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
journal=$wdir/tarvix.log

# Positions on the 1280x1024 screen, where the window opens maximised.
tab_main=(40 40)
tab_control=(380 40)
tab_diagram=(470 40)
timer_cell=(300 370)  # the value of the second timer, "Таймеры" on the main tab
button_write=(1110 130)
check_diagram=(70 75)
button_push=(90 90)

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$run/xvfb.display" >"$run/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 50); do [ -s "$run/xvfb.display" ] && break; sleep 0.2; done
export DISPLAY=:$(cat "$run/xvfb.display")
(cd "$wdir" && "$wine" "$root/dist/windows/Tarvix/tarvix.exe" >"$run/tarvix-gui.log" 2>&1) &
app=$!
trap 'kill $app $xvfb 2>/dev/null || true' EXIT

click() { xdotool mousemove --sync "$1" "$2" click 1; sleep 0.5; }
shot() { import -window root "$1"; }
wait_for() {  # wait_for SECONDS TEXT: until the journal has TEXT
  for _ in $(seq $(($1 * 5))); do
    grep -q "$2" "$journal" 2>/dev/null && return 0
    sleep 0.2
  done
  echo "windows-gui: the journal has no \"$2\"" >&2
  return 1
}

login=$(timeout 60 xdotool search --sync --name "Вход с паролем" | head -1)
xdotool windowfocus --sync "$login"
xdotool type --delay 80 8766
xdotool key Return
wait_for 30 "Сеанс начат"
main=$(timeout 30 xdotool search --sync --name "^Tarvix" | head -1)
xdotool windowfocus --sync "$main"
sleep 6  # the module is identified and the tables read
click "${tab_main[@]}"
sleep 2
shot "$run/main-before.png"

# A timer typed into its cell and written to the module.
xdotool mousemove --sync "${timer_cell[@]}" click --repeat 2 1
sleep 0.5
xdotool key ctrl+a
xdotool type --delay 80 450
xdotool key Return
sleep 0.5
click "${button_write[@]}"
sleep 2
xdotool key Return  # the box that offers to read the tables back
wait_for 10 "Запись в модуль.*-> 450"
sleep 3
shot "$root/docs/windows-main.png"

# The diagram of a push.
click "${tab_diagram[@]}"
click "${check_diagram[@]}"
click "${tab_control[@]}"
click "${button_push[@]}"
click "${tab_diagram[@]}"
sleep 5
shot "$root/docs/windows-diagram.png"

# Closed as a user closes it: the window saves its place into mem.ini.
xdotool windowfocus --sync "$main" key alt+F4
for _ in $(seq 50); do kill -0 $app 2>/dev/null || break; sleep 0.2; done
wait_for 5 "Сеанс завершён"
