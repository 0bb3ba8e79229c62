#!/usr/bin/env bash
# Builds the Debian package (cpack -G DEB), installs it with apt and runs the installed
# zivron-cli: the package holds what it needs and names what it depends on.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-pkg -DCMAKE_BUILD_TYPE=Release -DZIVRON_TESTS=OFF >/dev/null
cmake --build build-pkg -j "$(nproc)"
(cd build-pkg && rm -f zivron_*.deb && cpack -G DEB >/dev/null)
deb=$(ls "$PWD"/build-pkg/zivron_*.deb)
echo "package: $deb"
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get install -y --no-install-recommends "$deb" >/dev/null
out=$(/usr/bin/zivron-cli check-id 18)
if [ "$out" != "valid" ]; then
  echo "the installed zivron-cli answered: $out" >&2
  exit 1
fi
test -x /usr/bin/zivron && test -x /usr/bin/zivron-service
test -f /usr/share/applications/zivron.desktop
echo "installed: /usr/bin/zivron-cli check-id 18 -> $out"
