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
# D-Bus starts the web-mail checker server on demand from the user's own
# services folder; the file the build made names the program by its path.
services=${XDG_DATA_HOME:-$HOME/.local/share}/dbus-1/services
mkdir -p "$services"
install -m 644 "$build/dbus-services/org.orvane.Kestrano.service" "$services/"

exec "$build/Orvane/Quorvel"
