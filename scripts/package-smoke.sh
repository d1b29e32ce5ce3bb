#!/usr/bin/env bash
# Checks the Debian package the way a user meets it: its metadata passes
# lintian, desktop-file-validate and appstreamcli; installed with apt, the
# notifier runs for an unprivileged user, imports a list, checks a Dovecot of
# this script's own and keeps that user's files in $XDG_DATA_HOME/orvane/ and
# nowhere else; a purge leaves nothing of the package behind.
#   scripts/package-smoke.sh [PACKAGE]   (as root; default build/orvane_*.deb)
# The user "orvane-smoke" is made for the run when missing and removed after.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
user=orvane-smoke
password=secret
encoded=31153101299311431013116 # "secret" in the list file's encoding

say() { printf 'package smoke: %s\n' "$*"; }
fail() {
  printf 'package smoke: FAILED: %s\n' "$*" >&2
  exit 1
}

# wait_until SECONDS COMMAND...: runs COMMAND every 0.2 s until it succeeds.
wait_until() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    ((SECONDS < deadline)) || return 1
    sleep 0.2
  done
}

# --- As the user, on a private bus: the notifier's runs. -------------------
status_of() {
  gdbus call --session --dest org.orvane.Quorvel --object-path /Status \
    --method org.freedesktop.DBus.Properties.Get org.orvane.Quorvel.Status "$1"
}

total_is() { [[ $(status_of TotalCount) == "(<$1>,)" ]]; }

# start_notifier ARGS...: the installed command, until it answers on the bus.
start_notifier() {
  orvane "$@" >>"$SMOKE_WORK/notifier.log" 2>&1 &
  notifier=$!
  wait_until 30 status_of TotalCount || fail "the notifier did not come up: $(cat "$SMOKE_WORK/notifier.log")"
}

# ended PID: the process is gone or only waits to be reaped.
ended() {
  local state
  state=$(cut -d' ' -f3 "/proc/$1/stat" 2>/dev/null) || return 0
  [[ $state == Z ]]
}

# stop_notifier: the installed utility asks it to save and end.
stop_notifier() {
  /usr/lib/orvane/Zarnik
  wait_until 15 ended "$notifier" || fail "the notifier did not end when asked"
  local status=0
  wait "$notifier" || status=$?
  ((status == 0)) || fail "the notifier ended with status $status"
}

# bus_pid NAME: the process that owns NAME on the session bus.
bus_pid() {
  gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.GetConnectionUnixProcessID "$1" |
    sed -E 's/^\(uint32 ([0-9]+),\)$/\1/'
}

# stop_notifier_by_bus: as stop_notifier, for a notifier this shell did not
# start (it cannot be waited for).
stop_notifier_by_bus() {
  /usr/lib/orvane/Zarnik
  wait_until 15 ended "$notifier" || fail "the notifier did not end when asked"
}

in_bus() {
  local data=$XDG_DATA_HOME/orvane list=$XDG_DATA_HOME/orvane/Quorvel$USER.svl
  local old=$HOME/old/Users/Quorvel$USER.svl

  say "first start of the installed notifier as $USER"
  start_notifier
  stop_notifier
  [[ -f $list ]] || fail "no list in $data: $(ls -la "$data" 2>&1)"
  [[ $(stat -c %a "$list") == 600 ]] || fail "$list is readable by others"
  [[ -f $data/Zarnik.cfg ]] || fail "no start-at-log-on choice in $data"
  [[ ! -e /usr/lib/orvane/Users && ! -e /usr/lib/orvane/Zarnik.cfg ]] ||
    fail "the notifier wrote into the program folder"

  # A list of an earlier program folder with two accounts on the Dovecot, one
  # POP3 and one IMAP (whose checker lives in a plugin the package must
  # carry): the saved header blocks, then each account's sixteen lines.
  mkdir -p "$(dirname "$old")"
  {
    sed -n '1p' "$list"
    printf '2\r\n'
    # The first start's list ends with two lines of this version's own after
    # the (no) accounts (the notifications and where passwords live), which
    # an earlier program folder's list does not have.
    sed -n '3,$p' "$list" | head -n -2
    printf '%s\r\n' Smoke "127.0.0.1:$SMOKE_POP3_PORT" 60 600 "$SMOKE_MAIL_USER" "$encoded" \
      True 00:00:00 1899-12-30 False 0 0 False False '' False
    printf '%s\r\n' SmokeImap "imap+plain://127.0.0.1:$SMOKE_IMAP_PORT" 60 600 "$SMOKE_MAIL_USER" \
      "$encoded" True 00:00:00 1899-12-30 False 0 0 False False '' False
  } >"$old"
  rm "$list"

  say "importing a list and checking the Dovecot"
  start_notifier --import "$old"
  gdbus call --session --dest org.orvane.Quorvel --object-path /Status \
    --method org.orvane.Quorvel.Status.CheckAll >/dev/null
  wait_until 30 total_is 4 ||
    fail "the total is $(status_of TotalCount), not 4 (2 by POP3, 2 by IMAP): $(gdbus call --session --dest \
      org.orvane.Quorvel --object-path /Status --method org.orvane.Quorvel.Status.Accounts)"
  stop_notifier
  grep -q "^Smoke"$'\r'"$" "$list" || fail "the imported account was not saved"

  say "the log-on entry's command starts the notifier for this user"
  /usr/lib/orvane/Zarnik /STARTUP
  wait_until 30 status_of TotalCount || fail "Zarnik /STARTUP started no notifier"
  notifier=$(bus_pid org.orvane.Quorvel)
  stop_notifier_by_bus

  say "the session bus starts the installed web-mail server"
  gdbus call --session --dest org.orvane.Kestrano --object-path / \
    --method org.freedesktop.DBus.Introspectable.Introspect >/dev/null ||
    fail "the session bus could not start Kestrano"
  local server
  server=$(bus_pid org.orvane.Kestrano)
  [[ $(readlink "/proc/$server/exe") == /usr/lib/orvane/Kestrano ]] ||
    fail "the bus started $(readlink "/proc/$server/exe"), not the installed Kestrano"
  kill "$server"

  say "a second import is refused and leaves the list alone"
  local before
  before=$(md5sum <"$list")
  if orvane --import "$old" >>"$SMOKE_WORK/notifier.log" 2>&1; then
    fail "an import over an existing list was not refused"
  fi
  [[ $(md5sum <"$list") == "$before" ]] || fail "the refused import changed the list"
}

# --- As the user: a display with a tray, then a private bus. ---------------
in_session() {
  local display_file=$SMOKE_WORK/display.$$
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" \
    >"$SMOKE_WORK/xvfb.log" 2>&1 &
  local xvfb=$!
  wait_until 10 test -s "$display_file" || fail "Xvfb did not start"
  DISPLAY=:$(<"$display_file")
  export DISPLAY
  trayer --edge bottom --align right --widthtype request --height 32 \
    >"$SMOKE_WORK/trayer.log" 2>&1 &
  local tray=$!
  local status=0
  sleep 1
  dbus-run-session -- bash "$0" --bus || status=$?
  kill "$tray" "$xvfb" 2>/dev/null || true
  wait "$tray" "$xvfb" 2>/dev/null || true
  return "$status"
}

case ${1:-} in
--session)
  in_session
  exit
  ;;
--bus)
  in_bus
  exit
  ;;
esac

# --- As root: build artefacts, the package, the user, the mail server. -----
[[ $(id -u) -eq 0 ]] || fail "run this as root: it installs and purges a package"
# shellcheck source=scripts/packages.sh
source "$repo/scripts/packages.sh"
orvane_install_packages "${ORVANE_PACKAGE_PACKAGES[@]}" xvfb xauth trayer dbus dbus-x11 \
  dovecot-pop3d dovecot-imapd libglib2.0-bin
orvane_stop_system_dovecot

package=${1:-}
if [[ -z $package ]]; then
  package=$(find "$repo/build" -maxdepth 1 -name 'orvane_*.deb' -printf '%T@ %p\n' |
    sort -rn | head -n 1 | cut -d' ' -f2-)
  [[ -n $package ]] || fail "no package: cmake --build build --target package"
fi
package=$(realpath "$package")

work=$(mktemp -d /tmp/orvane-smoke.XXXXXX)
chmod 755 "$work"
made_user=0
installed=0
dovecot=
# A failed run leaves the machine as it found it too.
cleanup() {
  [[ -n $dovecot ]] && kill "$dovecot" 2>/dev/null
  ((installed)) && DEBIAN_FRONTEND=noninteractive apt-get purge -y orvane >/dev/null 2>&1
  ((made_user)) && userdel -r "$user" >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

say "checking $(basename "$package")"
lintian --fail-on error --allow-root "$package" || fail "lintian reports errors"
dpkg-deb -x "$package" "$work/unpacked"
desktop-file-validate "$work"/unpacked/usr/share/applications/*.desktop \
  "$work"/unpacked/etc/xdg/autostart/*.desktop || fail "desktop-file-validate"
appstreamcli validate --no-net "$work"/unpacked/usr/share/metainfo/*.xml || fail "appstreamcli"

say "installing"
DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$package" \
  >"$work/apt-install.log" 2>&1 || fail "apt-get install: $(tail -n 20 "$work/apt-install.log")"
installed=1
dpkg-query -L orvane >"$work/files"

if ! id "$user" >/dev/null 2>&1; then
  useradd --create-home --shell /bin/bash "$user"
  made_user=1
fi
home=$(getent passwd "$user" | cut -d: -f6)
uid=$(id -u "$user")

# A Dovecot on a free port with two new messages for the user.
mail=$work/mail
mkdir -p "$mail"/{run,state} "$mail/home/Maildir"/{cur,new,tmp}
for n in 1 2; do
  printf 'From: a@example.org\nSubject: %s\n\nhello\n' "$n" >"$mail/home/Maildir/new/$n.smoke"
done
chown -R "$user:" "$mail/home"
free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
port=$(free_port)
imap_port=$(free_port)
while [[ $imap_port == "$port" ]]; do imap_port=$(free_port); done
printf '%s:{PLAIN}%s:%s:%s::%s::\n' "$user" "$password" "$uid" "$(id -g "$user")" \
  "$mail/home" >"$mail/users"
cat >"$mail/dovecot.conf" <<CONF
base_dir = $mail/run
state_dir = $mail/state
log_path = $mail/dovecot.log
protocols = pop3 imap
listen = 127.0.0.1
ssl = no
disable_plaintext_auth = no
auth_mechanisms = plain
default_login_user = dovenull
default_internal_user = dovecot
first_valid_uid = 1
mail_location = maildir:~/Maildir
passdb {
  driver = passwd-file
  args = scheme=PLAIN $mail/users
}
userdb {
  driver = passwd-file
  args = $mail/users
}
service pop3-login {
  inet_listener pop3 {
    address = 127.0.0.1
    port = $port
  }
  inet_listener pop3s {
    port = 0
  }
}
service imap-login {
  inet_listener imap {
    address = 127.0.0.1
    port = $imap_port
  }
  inet_listener imaps {
    port = 0
  }
}
CONF
dovecot -F -c "$mail/dovecot.conf" >"$mail/dovecot.out" 2>&1 &
dovecot=$!
wait_until 10 bash -c "exec 3<>/dev/tcp/127.0.0.1/$port" ||
  fail "Dovecot did not listen: $(cat "$mail/dovecot.out" "$mail/dovecot.log" 2>/dev/null)"

# The user's session: their own runtime folder and data home, nothing else of
# this shell's environment.
runtime=$work/runtime
install -d -m 700 -o "$user" "$runtime" "$work/user"
cp "$0" "$work/user/smoke.sh"
chmod 755 "$work/user/smoke.sh"
chown "$user:" "$work/user"
say "running the installed notifier as $user"
runuser -u "$user" -- env -i PATH=/usr/bin:/bin HOME="$home" USER="$user" LOGNAME="$user" \
  XDG_RUNTIME_DIR="$runtime" XDG_DATA_HOME="$home/data" SMOKE_WORK="$work/user" \
  SMOKE_POP3_PORT="$port" SMOKE_IMAP_PORT="$imap_port" SMOKE_MAIL_USER="$user" QT_QPA_PLATFORM=xcb \
  bash "$work/user/smoke.sh" --session ||
  fail "the run as $user failed; notifier log: $(cat "$work/user/notifier.log" 2>/dev/null)"

say "purging"
DEBIAN_FRONTEND=noninteractive apt-get purge -y orvane >"$work/apt-purge.log" 2>&1 ||
  fail "apt-get purge: $(tail -n 20 "$work/apt-purge.log")"
installed=0
! dpkg-query -W -f='${db:Status-Abbrev}' orvane 2>/dev/null | grep -q '^.[ic]' ||
  fail "dpkg still knows the package"
left=()
while read -r path; do
  # Folders such as /usr/share are everybody's; the package's own are not.
  if [[ -L $path || -f $path ]] || [[ -d $path && $path == */orvane ]]; then
    left+=("$path")
  fi
done <"$work/files"
((${#left[@]} == 0)) || fail "left after the purge: ${left[*]}"
say "passed"
