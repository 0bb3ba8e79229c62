#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each for a bounded time (FUZZ_SECONDS, 30 by default) from its seed corpus. A crash,
# a leak, a hang or a sanitizer report fails the run; the input that caused it is kept in
# build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-30}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DZIVRON_FUZZ=ON -DZIVRON_TESTS=OFF -DZIVRON_QT=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target fuzz_xlsx fuzz_xls fuzz_masav fuzz_masav_reader \
  fuzz_service fuzz_replies fuzz_sheet fuzz_offline fuzz_bank_edition
mkdir -p build-fuzz/artifacts
for target in xlsx xls sheet masav masav_reader service replies offline bank_edition; do
  echo "== fuzz_$target for ${seconds}s"
  work=$(mktemp -d)
  cp -r "fuzz/corpus/$target/." "$work/"
  ASAN_OPTIONS=detect_leaks=1 ./build-fuzz/fuzz/fuzz_$target "$work" -max_total_time="$seconds" \
    -timeout=10 -rss_limit_mb=2048 -max_len=65536 -artifact_prefix=build-fuzz/artifacts/ \
    -print_final_stats=0 2>&1 | tail -n 3
  rm -rf "$work"
done
