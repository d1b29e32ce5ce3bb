# shellcheck shell=bash disable=SC2034
# Sourced by scripts/test.sh and scripts/run.sh: the one list of Debian
# packages Orvane needs, and the routine that installs whatever is missing.

# Compilers, Qt and the formatter.
ORVANE_BUILD_PACKAGES=(
  cmake ninja-build g++
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev
  libgl-dev libx11-dev
  clang-format
)

# What the programs need at run time beyond the libraries the build pulls in:
# a session bus (dbus-x11 lets Qt autolaunch one) and certificates for TLS.
ORVANE_RUN_PACKAGES=(
  dbus dbus-x11 openssl ca-certificates
)

# The end-to-end tests: a virtual X display with trays of both kinds (trayer
# for XEmbed, Xfce's panel for StatusNotifierItem), screenshots and window
# tools, and real mail servers to check against.
ORVANE_TEST_PACKAGES=(
  xvfb xauth trayer x11-utils imagemagick xdotool
  xfce4-panel xfconf
  dovecot-pop3d dovecot-imapd
)

orvane_as_root() {
  if [[ $(id -u) -eq 0 ]]; then
    "$@"
  elif command -v sudo >/dev/null 2>&1; then
    sudo "$@"
  else
    echo "Orvane: '$*' needs root rights and sudo is not available." >&2
    return 1
  fi
}

orvane_install_packages() {
  local missing=() package status
  for package in "$@"; do
    status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$package" 2>/dev/null || true)
    [[ $status == ii* ]] || missing+=("$package")
  done
  ((${#missing[@]})) || return 0
  echo "Installing missing packages: ${missing[*]}"
  orvane_as_root env DEBIAN_FRONTEND=noninteractive apt-get update
  orvane_as_root env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y --no-install-recommends "${missing[@]}"
}

# Installing dovecot may start the system's instance on 110/143/993/995. The
# tests run their own servers and some need those ports, so the system
# instance is stopped. Only the master recorded in the system pid file is
# touched: dovecots that tests started run from their own folders.
orvane_stop_system_dovecot() {
  local pidfile=/run/dovecot/master.pid pid
  if [[ -d /run/systemd/system ]] && command -v systemctl >/dev/null 2>&1; then
    orvane_as_root systemctl disable --now dovecot.service dovecot.socket >/dev/null 2>&1 || true
  fi
  [[ -r $pidfile ]] || return 0
  pid=$(<"$pidfile")
  [[ $pid =~ ^[0-9]+$ ]] || return 0
  [[ $(cat "/proc/$pid/comm" 2>/dev/null) == dovecot ]] || return 0
  echo "Stopping the system dovecot (pid $pid) so the tests can use the mail ports."
  if command -v service >/dev/null 2>&1; then
    orvane_as_root service dovecot stop >/dev/null 2>&1 || true
  fi
  if [[ -d /proc/$pid && $(cat "/proc/$pid/comm" 2>/dev/null) == dovecot ]]; then
    orvane_as_root kill -TERM "$pid" 2>/dev/null || true
    for _ in $(seq 50); do
      [[ -d /proc/$pid ]] || break
      sleep 0.1
    done
  fi
  if command -v update-rc.d >/dev/null 2>&1 && [[ -e /etc/init.d/dovecot ]]; then
    orvane_as_root update-rc.d dovecot disable >/dev/null 2>&1 || true
  fi
}
