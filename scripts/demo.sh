#!/usr/bin/env bash
# Installs what is missing, builds Tarvix, starts the simulated module on a pseudo-terminal and
# opens Tarvix on it. Settings live in demo/ beside the build, so a real mem.ini stays untouched.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target tarvix tarvix-sim tarvix-cli

mkdir -p demo
cd demo
./../build/sim/tarvix-sim --link "$PWD/ttySIM" "$@" > sim.out &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e ttySIM ] && break; sleep 0.1; done
[ -f mem.ini ] || printf '[connect]\r\nport=%s\r\nadr=100\r\n' "$PWD/ttySIM" > mem.ini
echo "Simulated module on $(cat sim.out) (link $PWD/ttySIM). Passwords: 4898 (level 1), 8766 (level 2)."
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  ../build/app/tarvix
else
  echo "No display: running under Xvfb."
  xvfb-run -a -s "-screen 0 1600x1000x24" ../build/app/tarvix
fi
