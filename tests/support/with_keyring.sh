#!/usr/bin/env bash
# Runs a command with a home folder of its own and, in a private D-Bus session, gnome-keyring's
# Secret Service unlocked with a password (so its file on disk is encrypted): the keyring tests
# use a real keyring and never the user's. With --no-keyring first, no bus and no keyring answer.
set -euo pipefail
keyring=yes
if [ "${1:-}" = --no-keyring ]; then
  keyring=no
  shift
fi
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share"
export XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$home/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
if [ "$keyring" = no ]; then
  export DBUS_SESSION_BUS_ADDRESS="unix:path=$home/no-bus"
  "$@"
  exit $?
fi
# shellcheck disable=SC2016
dbus-run-session -- bash -c '
  printf %s "$1" | gnome-keyring-daemon --unlock --components=secrets --daemonize >/dev/null
  shift
  "$@"' unlock "keyring-$$-$RANDOM" "$@"
