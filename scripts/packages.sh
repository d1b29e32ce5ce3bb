# shellcheck shell=bash disable=SC2034
# Sourced by scripts/test.sh and scripts/run.sh: the one list of Debian
# packages Orvane needs, and the routine that installs whatever is missing.

# Compilers, Qt and the formatter.
ORVANE_BUILD_PACKAGES=(
  cmake ninja-build g++
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-networkauth-dev
  libgl-dev libx11-dev
  qt6-webengine-dev
  clang-format
  libetpan-dev libgnutls28-dev
  qtkeychain-qt6-dev
)

# What the programs need at run time beyond the libraries the build pulls in:
# a session bus (dbus-x11 lets Qt autolaunch one), certificates for TLS and
# the Secret Service client the keyring library loads when it runs.
ORVANE_RUN_PACKAGES=(
  dbus dbus-x11 openssl ca-certificates libsecret-1-0
)

# The end-to-end tests: a virtual X display with trays of both kinds (trayer
# for XEmbed, Xfce's panel for StatusNotifierItem), a notification server,
# screenshots and window tools (xrandr splits the display into two monitors),
# real mail servers to check against, and a keyring with its command-line
# tool.
ORVANE_TEST_PACKAGES=(
  xvfb xauth trayer x11-utils x11-xserver-utils imagemagick xdotool
  xfce4-panel xfconf
  dunst
  dovecot-pop3d dovecot-imapd
  at-spi2-core python3-pyatspi
  gnome-keyring libsecret-tools
)

# Building the Debian package and checking it (scripts/package-smoke.sh):
# dpkg-shlibdeps finds the dependencies, CPack needs file(1) for it.
ORVANE_PACKAGE_PACKAGES=(
  dpkg-dev file lintian desktop-file-utils appstream
)

# The fuzz targets (scripts/fuzz.sh): clang with its fuzzer and sanitizer
# runtimes.
ORVANE_FUZZ_PACKAGES=(
  clang libclang-rt-14-dev
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
  # Remember whether a Dovecot ran before this install, so that only one the
  # install itself started is stopped afterwards.
  if [[ " ${missing[*]} " == *" dovecot-"* ]]; then
    ORVANE_INSTALLING_DOVECOT=1
    if orvane_system_dovecot_pid >/dev/null; then
      ORVANE_DOVECOT_RAN_BEFORE=1
    fi
  fi
  orvane_as_root env DEBIAN_FRONTEND=noninteractive apt-get update
  orvane_as_root env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y --no-install-recommends "${missing[@]}"
}

# Prints the pid of the system's Dovecot master when one runs.
orvane_system_dovecot_pid() {
  local pidfile=/run/dovecot/master.pid pid
  [[ -r $pidfile ]] || return 1
  pid=$(<"$pidfile")
  [[ $pid =~ ^[0-9]+$ ]] || return 1
  [[ $(cat "/proc/$pid/comm" 2>/dev/null) == dovecot ]] || return 1
  echo "$pid"
}

# Installing dovecot may start the system's instance on 110/143/993/995. The
# tests run their own servers on high ports; only the pop3s test needs 995 and
# skips itself when that port is taken. So a system Dovecot is stopped only
# when the package install above just started it: one that ran before is the
# user's own mail server and is left alone. Only the master recorded in the
# system pid file is touched: dovecots that tests started run from their own
# folders.
orvane_stop_system_dovecot() {
  local pid
  [[ ${ORVANE_INSTALLING_DOVECOT:-0} == 1 && ${ORVANE_DOVECOT_RAN_BEFORE:-0} == 0 ]] || return 0
  if [[ -d /run/systemd/system ]] && command -v systemctl >/dev/null 2>&1; then
    orvane_as_root systemctl disable --now dovecot.service dovecot.socket >/dev/null 2>&1 || true
  fi
  pid=$(orvane_system_dovecot_pid) || return 0
  echo "Stopping the Dovecot the package install just started (pid $pid)."
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
