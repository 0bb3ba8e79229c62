#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing when they are there.
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang-format clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libzip-dev libpugixml-dev libcurl4-openssl-dev libcpp-httplib-dev
  libsqlite3-dev libsodium-dev libmicrohttpd-dev libdeflate-dev libisal-dev zlib1g-dev
  qt6-base-dev libgl-dev culmus qt6-translations-l10n
  qtkeychain-qt6-dev libsecret-1-0 gnome-keyring dbus-daemon nginx-light openssl
  python3 python3-openpyxl python3-xlrd libreoffice-calc-nogui
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update
"${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
