#!/usr/bin/env bash
# Fails when a file includes a header of a folder its own folder may not use. The layers go one
# way, core <- link <- params <- operation <- bench <- app; the simulator uses core and link,
# the tools everything but the windows' composition root, the benchmarks everything (they drive
# the composition root on the simulator). The register maps of the module
# (params/ModuleRegisters.h) and of the bench modules (bench/BenchRegisters.h) are data that
# every layer and the simulator may name. Window code (a ui/ subfolder) sits above the logic of
# its own folder: no file outside ui/ includes a header from one, the benchmarks and the README's
# pictures apart. The build holds the same by giving each library its own include root; this is
# the second line, and it names the file.
#   The include table:  grep -rEo '#include "[a-z]+/' --include=*.h --include=*.cpp \
#     app core link params operation bench sim tools perf | sed -E \
#     's#^([a-z]+)/[^:]*:\#include "([a-z]+)/#\1 -> \2#' | sort | uniq -c
set -euo pipefail
cd "$(dirname "$0")/.."
declare -A allowed=(
  [core]="core"
  [link]="core link"
  [params]="core link params"
  [operation]="core link params operation"
  [bench]="core link params operation bench"
  [app]="core link params operation bench app"
  [sim]="core link sim"
  [tools]="core link params operation bench tools"
  [perf]="core link params operation bench app sim perf"
  [docs]="core link params operation bench app sim"
)
status=0
for folder in "${!allowed[@]}"; do
  [ -d "$folder" ] || continue
  while IFS=: read -r file line target; do
    if [[ " ${allowed[$folder]} " != *" $target "* ]]; then
      echo "$file:$line: $folder/ may not include $target/"
      status=1
    fi
  done < <(grep -rnE --include=*.h --include=*.cpp '^#include "[a-z]+/' "$folder" |
    grep -vE '#include "(params/ModuleRegisters|bench/BenchRegisters).h"' |
    sed -E 's#^([^:]+):([0-9]+):\#include "([a-z]+)/.*#\1:\2:\3#')
done
while IFS=: read -r file line _; do
  echo "$file:$line: only window code may include a ui/ header"
  status=1
done < <(grep -rnE --include=*.h --include=*.cpp '^#include "[a-z]+/ui/' \
  core link params operation bench app sim tools | grep -vE '^[a-z]+/ui/')
exit $status
