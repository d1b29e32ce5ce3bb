#!/usr/bin/env bash
# Builds Orvane and runs every test on a private session bus.
# ORVANE_BUILD_DIR picks another build folder; arguments go on to ctest
# (for example: scripts/test.sh -R QuorvelLifecycleTest).
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/packages.sh
source "$repo/scripts/packages.sh"

orvane_install_packages "${ORVANE_BUILD_PACKAGES[@]}" "${ORVANE_RUN_PACKAGES[@]}" \
  "${ORVANE_TEST_PACKAGES[@]}"
orvane_stop_system_dovecot

build=${ORVANE_BUILD_DIR:-$repo/build}
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$build"

# The bus activates programs from the service files the build generates.
mkdir -p "$build/dbus-services"
busconf=$repo/tests/support/session-bus.conf
if [[ $build != "$repo/build" ]]; then
  busconf=$build/session-bus.conf
  sed "s|<servicedir>.*</servicedir>|<servicedir>$build/dbus-services</servicedir>|" \
    "$repo/tests/support/session-bus.conf" >"$busconf"
fi

cd "$build"
dbus-run-session --config-file="$busconf" -- \
  ctest --output-on-failure --no-tests=error "$@"
