#!/usr/bin/env bash
# Builds the program and runs its main job on the embedded defaults: the companion service on
# loopback with a demo account, a sample workbook written under the drive root ($ZIVRON_DRIVE_C,
# or the home folder), imported, checked and marked, and the credit file msv.001 built with its
# archive copy, workbooks and activity-log entry.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build-run -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZIVRON_TESTS=OFF >/dev/null
cmake --build build-run -j "$(nproc)" --target zivron-cli zivron-service

state=$(mktemp -d)
trap 'kill "$service" 2>/dev/null || true; rm -rf "$state"' EXIT
ZIVRON_DEMO_ACCOUNT=$(echo "demo-password" | ./build-run/server/zivron-service add-account \
  --db "$state/service.db" --email demo@zivron.example --name "מנוי הדגמה")
export ZIVRON_DEMO_ACCOUNT
./build-run/server/zivron-service serve --db "$state/service.db" --port 0 >"$state/listening" &
service=$!
for _ in $(seq 50); do grep -q listening "$state/listening" 2>/dev/null && break; sleep 0.1; done
export ZIVRON_SERVICE_URL=$(sed 's/^listening on //' "$state/listening")
echo "service: $ZIVRON_SERVICE_URL"
./build-run/src/zivron-cli demo "$@"
