#!/usr/bin/env bash
# The notifier with 1,000 IMAP accounts waiting in IDLE on a local Dovecot,
# on its own display, tray and session bus: threads, memory, wake-ups while
# no server speaks, and how soon a delivered message is counted.
#   bench/imap-idle.sh [build folder] [accounts]   (1000)
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$repo/build}
accounts=${2:-1000}
work=$(mktemp -d)
trap 'kill ${pids:-} 2>/dev/null || true; rm -rf "$work"' EXIT

cp -r "$build/Orvane/." "$work/"
rm -rf "$work/Users"
# A thousand connections, and the Dovecot's side of them, need more than
# the usual 1,024 descriptors.
ulimit -n "$(ulimit -Hn)"

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
  "$build/bench/imap-idle-bench" "$work" "$accounts"
