#!/usr/bin/env bash
# Builds the program and runs its main job on the bundled sample: the credit file msv.001 written
# under the drive root ($ZIVRON_DRIVE_C, or the home folder).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZIVRON_TESTS=OFF >/dev/null
cmake --build build -j "$(nproc)" --target zivron-cli
./build/src/zivron-cli demo "$@"
