#!/usr/bin/env bash
# Builds twice (plain, and with AddressSanitizer + UndefinedBehaviorSanitizer) and runs the whole
# test suite in both.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

jobs=$(nproc)

echo "== format"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror

for kind in plain asan; do
  echo "== build ($kind)"
  flags=(-DCMAKE_BUILD_TYPE=Debug)
  [ "$kind" = asan ] && flags+=(-DZIVRON_SANITIZE=ON)
  cmake -S . -B "build-$kind" "${flags[@]}" >/dev/null
  cmake --build "build-$kind" -j "$jobs"
  echo "== tests ($kind)"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "build-$kind" --output-on-failure -j "$jobs"
done

echo "== package"
bash scripts/package.sh

echo "== fuzz"
bash scripts/fuzz.sh
