#!/usr/bin/env bash
# The notifier checking 50 POP3 accounts every second against a local Dovecot
# for a long time, on its own display, tray and session bus; its resident
# memory must settle after the warm-up.
#   bench/pop3-soak.sh [build folder] [minutes]   (ORVANE_SOAK_MINUTES, 30)
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$repo/build}
minutes=${2:-${ORVANE_SOAK_MINUTES:-30}}
work=$(mktemp -d)
trap 'kill ${pids:-} 2>/dev/null || true; rm -rf "$work"' EXIT

cp -r "$build/Orvane/." "$work/"
rm -rf "$work/Users"

display=:$((90 + RANDOM % 50))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids=$!
sleep 1
DISPLAY=$display trayer --edge bottom --align right --widthtype request --height 32 >/dev/null 2>&1 &
pids="$pids $!"
read -r bus_address bus_pid < <(dbus-daemon --session --fork --print-address=1 --print-pid=1 | paste -s -d ' ')
pids="$pids $bus_pid"
sleep 1
DISPLAY=$display DBUS_SESSION_BUS_ADDRESS=$bus_address \
  "$build/bench/pop3-soak-bench" "$work" "$minutes" 50
