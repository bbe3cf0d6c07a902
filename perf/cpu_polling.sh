#!/usr/bin/env bash
# CPU of the program while it polls the simulated module: starts tarvix-sim and Tarvix under
# Xvfb in a scratch folder, enters the level-2 password, lets it poll, and prints the share of
# one core the program used over the measuring window.
#   usage: perf/cpu_polling.sh [BUILD_DIR] [SECONDS] [extra tarvix-sim options...]
# Needs xvfb-run and xdotool (Debian packages xvfb, xdotool).
set -euo pipefail
bash "$(dirname "$0")/../scripts/deps.sh" xdotool > /dev/null
build=$(realpath "${1:-build}")
seconds=${2:-30}
shift $(( $# > 2 ? 2 : $# ))
work=$(mktemp -d)
trap 'kill $sim_pid $app_pid 2>/dev/null || true; rm -rf "$work"' EXIT
cd "$work"
printf '[connect]\r\nport=%s\r\n' "$work/tty" > mem.ini
"$build/sim/tarvix-sim" --link "$work/tty" "$@" < <(sleep $((seconds + 60))) > sim.log 2>&1 &
sim_pid=$!
xvfb-run -a -s "-screen 0 1600x1000x24" bash -c '
  "$0/app/tarvix" & app=$!
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
t0=$(ticks); sleep "$seconds"; t1=$(ticks)
awk -v d=$((t1 - t0)) -v hz="$hz" -v s="$seconds" \
  'BEGIN { printf "cpu while polling: %.2f %% of one core over %d s\n", 100 * d / hz / s, s }'
grep -c . tarvix.log >/dev/null 2>&1 && echo "journal: $(grep -c 'МОДУЛЬ НА СВЯЗИ' tarvix.log) online line(s)"
