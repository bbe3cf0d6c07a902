#!/usr/bin/env bash
# Whether a long run grows: starts tarvix-sim and Tarvix (with TARVIX_ENDURANCE_RUN set, so it
# ticks "Рисовать диаграмму", starts the endurance cycle once the module is online and prints
# the mean poll pass time every 5 s) under Xvfb in a scratch folder, enters the level-2
# password, then samples the program's resident memory from /proc every 10 s while the module
# pushes and pulls. Prints the memory after the first minute and at the end, their difference,
# and the pass time of the first and of the last minute.
#   usage: perf/long_run.sh [BUILD_DIR] [SECONDS] [extra tarvix-sim options...]
# SECONDS is the length of the run after the cycle has started (default 7200, two hours; 600
# gives the ten-minute version). Needs xvfb-run and xdotool (Debian packages xvfb, xdotool).
set -euo pipefail
bash "$(dirname "$0")/../scripts/deps.sh" xdotool > /dev/null
build=$(realpath "${1:-build}")
seconds=${2:-7200}
shift $(( $# > 2 ? 2 : $# ))
(( seconds >= 120 )) || { echo "SECONDS must be at least 120" >&2; exit 2; }
work=$(mktemp -d)
sim_pid=""; app_pid=""
trap 'exec 3>&- || true; kill $sim_pid $app_pid 2>/dev/null || true; rm -rf "$work"' EXIT
cd "$work"
# An endless cycle with the shortest pause; the diagram empties itself at every motion.
printf '[connect]\r\nport=%s\r\n[cycles]\r\nnumber=1000000\r\npause=1\r\nno_feedback=0\r\n' \
  "$work/tty" > mem.ini
mkfifo console
"$build/sim/tarvix-sim" --link "$work/tty" "$@" < console > sim.log 2>&1 &
sim_pid=$!
exec 3> console  # the simulated module's console, kept open
TARVIX_ENDURANCE_RUN=1 xvfb-run -a -s "-screen 0 1600x1000x24" bash -c '
  "$0/app/tarvix" 2> run.log & app=$!
  echo $app > app.pid
  for i in $(seq 1 50); do
    xdotool search --name "Вход с паролем" >/dev/null 2>&1 && break; sleep 0.2
  done
  xdotool type --delay 50 8766; xdotool key Return
  wait $app' "$build" &
for i in $(seq 1 50); do [ -s app.pid ] && break; sleep 0.2; done
app_pid=$(cat app.pid)
for i in $(seq 1 150); do grep -q '^endurance-run started' run.log 2>/dev/null && break; sleep 0.2; done
grep -q '^endurance-run started' run.log || { echo "the endurance cycle did not start" >&2; exit 1; }

rss() { awk '/^VmRSS:/ {print $2}' "/proc/$app_pid/status"; }
# The program's user and system time in clock ticks (fields 14 and 15 of its stat line).
cpu_ticks() { sed -E 's/.*\) //' "/proc/$app_pid/stat" | awk '{ print $12 + $13 }'; }
cpu_start=$(cpu_ticks)
start=$(date +%s)
: > rss.log
while :; do
  now=$(( $(date +%s) - start ))
  kill -0 "$app_pid" 2>/dev/null || { echo "the program ended after $now s" >&2; exit 1; }
  echo "$now $(rss)" >> rss.log
  (( now >= seconds )) && break
  sleep 10
done
cpu_used=$(( $(cpu_ticks) - cpu_start ))

# Pass time: the mean of the 5 s reports of a minute, weighted by their pass counts.
pass_minute() {
  grep '^pass-ms' run.log | sed -n "$1" |
    awk '{ s += $2 * $4; n += $4; if ($3 > m) m = $3 } END { printf "%.1f ms mean, %d ms max over %d passes", n ? s / n : 0, m, n }'
}
reports=$(grep -c '^pass-ms' run.log || true)
first_rss=$(awk '$1 >= 60 { print $2; exit }' rss.log)
last_rss=$(tail -n 1 rss.log | awk '{print $2}')
peak_rss=$(awk '$2 > m { m = $2 } END { print m }' rss.log)
pushes=$(grep -c 'рег\. 8: ' tarvix.log 2>/dev/null || true)
pulls=$(grep -c 'рег\. 9: ' tarvix.log 2>/dev/null || true)
pauses=$(grep -c 'Циклы: пауза' tarvix.log 2>/dev/null || true)
echo "run: $seconds s after the cycle started; $(wc -l < rss.log) memory samples; $reports pass reports"
echo "rss after the first minute: $first_rss kB"
echo "rss at the end:             $last_rss kB (peak $peak_rss kB)"
echo "rss difference:             $(( last_rss - first_rss )) kB"
echo "pass time, first minute:    $(pass_minute 1,12p)"
echo "pass time, last minute:     $(pass_minute "$(( reports > 12 ? reports - 11 : 1 )),\$p")"
echo "cpu of the program:          $(awk -v t="$cpu_used" -v hz="$(getconf CLK_TCK)" -v s="$now" \
  'BEGIN { printf "%.2f %% of one core", 100 * t / hz / s }')"
echo "motions: $pushes push and $pulls pull command(s); $pauses cycle pause(s)"
