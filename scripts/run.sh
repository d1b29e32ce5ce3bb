#!/usr/bin/env bash
# Builds Orvane and starts the tray notifier from its program folder.
set -euo pipefail

if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
  echo "Orvane needs a graphical desktop session (no DISPLAY or WAYLAND_DISPLAY is set)." >&2
  exit 1
fi

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/packages.sh
source "$repo/scripts/packages.sh"

orvane_install_packages "${ORVANE_BUILD_PACKAGES[@]}" "${ORVANE_RUN_PACKAGES[@]}"

build=${ORVANE_BUILD_DIR:-$repo/build}
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$build"

# The log-on entry (it starts the notifier while "Load Orvane On Startup" is
# ticked) and the desktop's menu entry.
"$repo/scripts/install-entries.sh" "$build/Orvane"

exec "$build/Orvane/Quorvel"
