#!/usr/bin/env bash
# Installs what is missing, builds Tarvix, opens it and runs the simulated module on a
# pseudo-terminal in this terminal, whose console changes the module while Tarvix watches it
# ("help" lists the commands, e.g. "input 3 on", "error 2 on", "unplug"). Settings live in
# demo/, so a real mem.ini stays untouched.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target tarvix tarvix-sim tarvix-cli

mkdir -p demo
cd demo
[ -f mem.ini ] || printf '[connect]\r\nport=%s\r\nadr=100\r\n' "$PWD/ttySIM" > mem.ini
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  ../build/app/tarvix &
else
  echo "No display: running under Xvfb."
  xvfb-run -a -s "-screen 0 1600x1000x24" ../build/app/tarvix &
fi
app=$!
# The module goes when the window is closed.
( while kill -0 $app 2>/dev/null; do sleep 1; done; pkill -f "tarvix-sim --link $PWD/ttySIM" ) &
echo "Passwords: 4898 (level 1), 8766 (level 2). Session journal: demo/tarvix.log."
echo "Simulated module console (help lists the commands, quit ends it):"
../build/sim/tarvix-sim --link "$PWD/ttySIM" "$@" || true
kill $app 2>/dev/null || true
