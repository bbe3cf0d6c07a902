#!/usr/bin/env bash
# Installs what is missing, builds Tarvix, opens it and runs the simulated module on a
# pseudo-terminal in this terminal, whose console changes the module while Tarvix watches it
# ("help" lists the commands, e.g. "input 3 on", "error 2 on", "unplug", "defect no-trip").
# Settings live in demo/, so a real mem.ini stays untouched.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target tarvix tarvix-sim tarvix-cli

mkdir -p demo
cd demo
# A first run starts from the names and texts of a configured installation.
if [ ! -f mem.ini ]; then
  printf '[connect]\r\nport=%s\r\nadr=100\r\n\r\n' "$PWD/ttySIM" > mem.ini
  cat ../sim/demo/mem.ini >> mem.ini
fi
# The demo bench: its wiring, output codes, relays, current windows and steps; the simulated
# R16 and D8R4 are wired by the same file, so "Старт" on the test tab runs the whole test.
[ -f tp.ini ] || cp ../sim/demo/tp.ini tp.ini
# The simulated module starts with the address and line settings this mem.ini has, so a
# module address changed in one run still connects in the next.
connect_setting() {
  tr -d '\r' < mem.ini | awk -F= -v key="$1" \
    'tolower($0) ~ /^\[/ { in_connect = (tolower($0) == "[connect]"); next }
     in_connect && tolower($1) == key { print $2; exit }'
}
# Numbers as mem.ini takes them: decimal, or hexadecimal after 0x.
to_int() {
  case $1 in
    0[xX]*[!0-9a-fA-F]* | 0[xX]) return 1 ;;
    0[xX]*) echo $((16#${1:2})) ;;
    '' | *[!0-9]*) return 1 ;;
    *) echo $((10#$1)) ;;
  esac
}
sim_options=()
if adr=$(to_int "$(connect_setting adr)") && ((adr >= 1 && adr <= 247)); then
  sim_options+=(--address "$adr")
fi
if speed=$(to_int "$(connect_setting speed)") && ((speed <= 4)); then
  sim_options+=(--speed "$speed")
fi
if parity=$(to_int "$(connect_setting parity)") && ((parity <= 2)); then
  sim_options+=(--parity "$parity")
fi
if stopbits=$(to_int "$(connect_setting stopbits)"); then
  sim_options+=(--stopbits "$((stopbits != 0))")
fi
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  ../build/app/tarvix &
else
  echo "No display: running under Xvfb."
  xvfb-run -a -s "-screen 0 1600x1000x24" ../build/app/tarvix &
fi
app=$!
# The simulated module runs in this terminal and notes its process id; it goes when the window
# is closed.
rm -f sim.pid
( while kill -0 $app 2>/dev/null; do sleep 1; done
  [ -s sim.pid ] && kill "$(cat sim.pid)" 2>/dev/null ) &
echo "Passwords: 4898 (level 1), 8766 (level 2). Session journal: demo/tarvix.log."
echo "Simulated module console (help lists the commands, quit ends it):"
bash -c 'echo $$ > sim.pid; exec "$@"' tarvix-sim \
  ../build/sim/tarvix-sim --link "$PWD/ttySIM" --bench tp.ini "${sim_options[@]}" "$@" || true
rm -f sim.pid
kill $app 2>/dev/null || true
