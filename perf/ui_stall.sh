#!/usr/bin/env bash
# How long the window's thread stalls, and the CPU the program takes, while it polls the
# simulated module and while the USB adapter is gone: starts tarvix-sim and Tarvix (with
# TARVIX_UI_PROBE set, so it prints "ui-stall-ms N" every 5 s) under Xvfb in a scratch folder,
# enters the level-2 password, lets it poll, then pulls the adapter (console `unplug`) and puts
# it back (`plug`). Prints the probe's reports and the CPU share of each phase.
#   usage: perf/ui_stall.sh [BUILD_DIR] [SECONDS_PER_PHASE] [extra tarvix-sim options...]
# With UI_PROBE=0 in the environment the probe stays off (its 5 ms heartbeat costs CPU of its
# own) and only the CPU shares are printed.
# Needs xvfb-run and xdotool (Debian packages xvfb, xdotool).
set -euo pipefail
bash "$(dirname "$0")/../scripts/deps.sh" xdotool > /dev/null
build=$(realpath "${1:-build}")
seconds=${2:-30}
shift $(( $# > 2 ? 2 : $# ))
work=$(mktemp -d)
trap 'exec 3>&- || true; kill $sim_pid $app_pid 2>/dev/null || true; rm -rf "$work"' EXIT
cd "$work"
printf '[connect]\r\nport=%s\r\n' "$work/tty" > mem.ini
mkfifo console
"$build/sim/tarvix-sim" --link "$work/tty" "$@" < console > sim.log 2>&1 &
sim_pid=$!
exec 3> console  # the simulated module's console, kept open
probe=()
[ "${UI_PROBE:-1}" = 0 ] || probe=(TARVIX_UI_PROBE=1)
env "${probe[@]}" xvfb-run -a -s "-screen 0 1600x1000x24" bash -c '
  "$0/app/tarvix" 2> probe.log & app=$!
  echo $app > app.pid
  for i in $(seq 1 50); do
    xdotool search --name "Вход с паролем" >/dev/null 2>&1 && break; sleep 0.2
  done
  xdotool type --delay 50 8766; xdotool key Return
  wait $app' "$build" &
for i in $(seq 1 50); do [ -s app.pid ] && break; sleep 0.2; done
app_pid=$(cat app.pid)
sleep 5  # connect and settle
ticks() { awk '{print $14 + $15}' "/proc/$app_pid/stat"; }
hz=$(getconf CLK_TCK)
reports() { grep -c '^ui-stall-ms' probe.log || true; }

# One phase: a report period to let the change settle, then SECONDS measured.
phase() {
  sleep 5.5
  local first t0 t1
  first=$(reports); t0=$(ticks)
  sleep "$seconds"
  t1=$(ticks)
  local values
  values=$({ grep '^ui-stall-ms' probe.log || true; } | tail -n +"$((first + 1))" |
    awk '{print $2}' | paste -sd' ')
  awk -v name="$1" -v v="$values" -v d=$((t1 - t0)) -v hz="$hz" -v s="$seconds" 'BEGIN {
    n = split(v, a, " "); max = 0
    for (i = 1; i <= n; i++) if (a[i] + 0 > max) max = a[i] + 0
    stall = n ? sprintf("ui-stall-ms max %d over %d reports (%s); ", max, n, v) : ""
    printf "%-27s %scpu %.2f %% of one core over %d s\n", name, stall, 100 * d / hz / s, s }'
}
phase "while polling:"
echo unplug >&3
phase "while the adapter is gone:"
echo plug >&3
phase "after the replug:"
echo "journal: $(grep -c 'МОДУЛЬ НА СВЯЗИ' tarvix.log) online line(s), $(grep -c 'Ошибка открытия порта' tarvix.log) port-open failure line(s)"
