#!/usr/bin/env bash
# Installs what is missing, checks the layering and the formatting, builds everything with
# warnings as errors and runs every test; then runs every test again under AddressSanitizer
# with UndefinedBehaviorSanitizer, and under ThreadSanitizer (window tests included).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc)

bash scripts/check-layers.sh
find core link params operation bench app sim tools perf tests \( -name '*.cpp' -o -name '*.h' \) \
  -print0 | xargs -0 clang-format --dry-run --Werror

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVIX_WERROR=ON
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARVIX_SANITIZE=ON
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 \
  UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir build-asan --output-on-failure -j"$jobs"

# The worker and the window share flags, the port and the settings: ThreadSanitizer run.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARVIX_TSAN=ON
cmake --build build-tsan -j"$jobs"
TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/tests/tsan.supp" \
  ctest --test-dir build-tsan --output-on-failure -j"$jobs"
