#!/usr/bin/env bash
# Start and idle cost of the notifier: the time from launch to its icon shown
# in the tray, then wake-ups per second and resident memory with 20 accounts
# whose next check is an hour away.
#   bench/idle-notifier.sh [build folder]
# Targets: the icon within 1 s of launch (nothing at start may wait on
# another program); 0 wake-ups a second while nothing is due; under 30 MB
# resident.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$repo/build}
seconds=${ORVANE_BENCH_SECONDS:-10}
work=$(mktemp -d)
trap 'kill ${pids:-} 2>/dev/null || true; rm -rf "$work"' EXIT

cp -r "$build/Orvane/." "$work/"
mkdir -p "$work/Users"
user=$(id -un)
{
  printf '1.6\r\n20\r\n'
  # Settings: no check at start-up, so nothing is due for an hour.
  printf '0\r\n2000\r\n1000\r\n2000\r\n2800\r\n%s\r\n\r\nTrue\r\nFalse\r\nTrue\r\nFalse\r\n2\r\n0\r\nTrue\r\nFalse\r\n' "$work/notify.wav"
  printf '2000\r\n1000\r\n2000\r\n2800\r\n<No Skin>\r\n<Default>\r\nFalse\r\n0\r\n0\r\nFalse\r\n'
  for i in $(seq 20); do
    printf 'Account %s\r\n127.0.0.1:9\r\n60\r\n3600\r\nuser\r\n\r\nTrue\r\n00:00:00\r\n1899-12-30\r\nFalse\r\n0\r\n0\r\nFalse\r\nFalse\r\n\r\nFalse\r\n' "$i"
  done
} >"$work/Users/Quorvel$user.svl"

display=:$((90 + RANDOM % 50))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids=$!
sleep 1
DISPLAY=$display trayer --edge bottom --align right --widthtype request --height 32 >/dev/null 2>&1 &
pids="$pids $!"
sleep 1
# A private bus we start and stop ourselves: dbus-run-session would leave
# its daemon behind when the notifier is killed.
read -r bus_address bus_pid < <(dbus-daemon --session --fork --print-address=1 --print-pid=1 | paste -s -d ' ')
pids="$pids $bus_pid"
panel=$(DISPLAY=$display xwininfo -root -tree | awk '/\("panel" "trayer"\)/ {print $1; exit}')
[[ -n $panel ]] || { echo "the tray did not start" >&2; exit 1; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }
launched=$(now_ms)
DISPLAY=$display DBUS_SESSION_BUS_ADDRESS=$bus_address "$work/Quorvel" &
pids="$pids $!"
# The icon is shown once the tray has taken the notifier's window in.
shown=
while (($(now_ms) - launched < 30000)); do
  if DISPLAY=$display xwininfo -tree -id "$panel" 2>/dev/null | grep -q '("Quorvel" '; then
    shown=$(now_ms)
    break
  fi
  sleep 0.01
done
[[ -n $shown ]] || { echo "the tray icon did not appear within 30 s" >&2; exit 1; }
echo "launch to tray icon shown: $((shown - launched)) ms"
sleep 2
pid=$(pgrep -n -f "$work/Quorvel" || true)
[[ -n $pid ]] || { echo "the notifier did not start" >&2; exit 1; }

switches() { awk '/^(non)?voluntary_ctxt_switches/ {s += $2} END {print s}' /proc/"$pid"/task/*/status; }
before=$(switches)
sleep "$seconds"
after=$(switches)
rss=$(awk '/^VmRSS/ {print $2}' /proc/"$pid"/status)

awk -v a="$after" -v b="$before" -v s="$seconds" 'BEGIN {printf "wake-ups per second (all threads): %.2f\n", (a - b) / s}'
awk -v r="$rss" 'BEGIN {printf "resident memory: %.1f MB\n", r / 1024}'
