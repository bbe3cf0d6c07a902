#!/usr/bin/env bash
# Renews the README's pictures (docs/*.png): builds the program and the simulated module, then
# runs the demo under Xvfb and photographs each tab. Takes a few minutes (it runs a whole
# production test on the demo bench).
#   usage: docs/screenshots.sh [BUILD_DIR [DEMO_DIR]]   (DEMO_DIR keeps the settings and reports/)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
command -v xvfb-run >/dev/null || sudo apt-get install -y xvfb
command -v pdftoppm >/dev/null || sudo apt-get install -y poppler-utils
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target tarvix-screenshots tarvix-sim
xvfb-run -a -s "-screen 0 1600x1000x24" "$build/docs/tarvix-screenshots" docs ${2:+"$2"}
