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

# The sanitizer builds take the tests alone, with line tables for the reports (-g1) rather than
# full debug information: it keeps the whole run within the CI's time.
tests=(test_core test_link test_params test_operation test_bench test_app test_sim test_tools
  test_ui test_e2e)
sanitizer_flags=(-G Ninja -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O0 -g1")
cmake -S . -B build-asan "${sanitizer_flags[@]}" -DTARVIX_SANITIZE=ON
cmake --build build-asan -j"$jobs" --target "${tests[@]}"
ASAN_OPTIONS=detect_leaks=1 \
  UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir build-asan --output-on-failure -j"$jobs"

# ThreadSanitizer: the tests that run threads (the worker, the runner, the windows, the monitor's
# handover, tarvix-cli's stop and the end-to-end runs).
threaded=(test_link test_app test_bench test_tools test_ui test_e2e)
cmake -S . -B build-tsan "${sanitizer_flags[@]}" -DTARVIX_TSAN=ON
cmake --build build-tsan -j"$jobs" --target "${threaded[@]}"
TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/tests/tsan.supp" \
  ctest --test-dir build-tsan --output-on-failure -j"$jobs" \
  -R "^($(IFS='|'; echo "${threaded[*]}"))\$"
