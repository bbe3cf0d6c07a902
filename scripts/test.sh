#!/usr/bin/env bash
# Installs what is missing, checks the layering and the formatting, builds everything with
# warnings as errors and runs every test; then runs every test again under AddressSanitizer
# with UndefinedBehaviorSanitizer, and the threaded ones (the worker, the runner, the windows,
# the monitor's handover, tarvix-cli's stop and the end-to-end runs) under ThreadSanitizer.
# The builds are the presets of CMakePresets.json: release, asan and tsan. The sanitizer builds
# take the tests alone, with line tables for the reports rather than full debug information: it
# keeps the whole run within the CI's time.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc)

bash scripts/check-layers.sh
find core link params operation bench app sim tools perf tests docs \( -name '*.cpp' -o -name '*.h' \) \
  -print0 | xargs -0 clang-format --dry-run --Werror

for preset in release asan tsan; do
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j"$jobs"
  ctest --preset "$preset" -j"$jobs"
done
