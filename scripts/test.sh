#!/usr/bin/env bash
# Builds Orvane and runs every test on a private session bus.
# ORVANE_BUILD_DIR picks another build folder, ORVANE_BUILD_TYPE another build
# type (Release by default), ORVANE_CMAKE_ARGS adds options to the configure
# step; arguments go on to ctest (for example: scripts/test.sh -R POP3Test).
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/packages.sh
source "$repo/scripts/packages.sh"

orvane_install_packages "${ORVANE_BUILD_PACKAGES[@]}" "${ORVANE_RUN_PACKAGES[@]}" \
  "${ORVANE_TEST_PACKAGES[@]}"
orvane_stop_system_dovecot

build=${ORVANE_BUILD_DIR:-$repo/build}
read -ra cmake_args <<<"${ORVANE_CMAKE_ARGS:-}"
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${ORVANE_BUILD_TYPE:-Release}" \
  "${cmake_args[@]}"
cmake --build "$build"

# The private bus looks for activatable programs in this folder; it may be
# empty, but it must exist.
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
