#!/usr/bin/env bash
# Puts Orvane into the desktop for the user running it:
#   $XDG_CONFIG_HOME/autostart/orvane-startup.desktop  runs "Zarnik /STARTUP"
#     at every log-on; Zarnik starts the notifier only while "Load Orvane On
#     Startup" is ticked;
#   $XDG_DATA_HOME/applications/orvane.desktop  the notifier in the desktop's
#     menu.
# Both point at the program folder given as the only argument. Running it
# again rewrites both; deleting the two files undoes it.
set -euo pipefail

if [[ $# -ne 1 || ! -d $1 ]]; then
  echo "usage: $0 <program folder>" >&2
  exit 2
fi
folder=$(cd "$1" && pwd)

# One Exec argument: quoted, with the characters a quoted argument escapes,
# then the escapes of a desktop entry's string and its field codes.
exec_argument() {
  local text=$1
  text=${text//\\/\\\\}
  text=${text//\"/\\\"}
  text=${text//\`/\\\`}
  text=${text//\$/\\\$}
  text=${text//\\/\\\\}
  text=${text//$'\n'/\\n}
  text=${text//%/%%}
  printf '"%s"' "$text"
}

# A desktop entry's string value: backslashes and line breaks escaped.
string_value() {
  local text=$1
  text=${text//\\/\\\\}
  text=${text//$'\n'/\\n}
  printf '%s' "$text"
}

# write_entry FILE LINES...: replaces FILE in one step, so a desktop that
# reads it meanwhile never sees half an entry.
write_entry() {
  local file=$1
  shift
  mkdir -p "$(dirname "$file")"
  local temporary
  temporary=$(mktemp "$file.XXXXXX")
  printf '%s\n' "$@" >"$temporary"
  chmod 644 "$temporary"
  mv -f "$temporary" "$file"
}

icon=$(string_value "$folder/orvane.svg")
config=${XDG_CONFIG_HOME:-$HOME/.config}
data=${XDG_DATA_HOME:-$HOME/.local/share}

write_entry "$config/autostart/orvane-startup.desktop" \
  '[Desktop Entry]' \
  'Type=Application' \
  'Name=Orvane' \
  'Comment=Starts the Orvane mail notifier at log-on when you chose so' \
  "Exec=$(exec_argument "$folder/Zarnik") /STARTUP" \
  "Icon=$icon" \
  'Terminal=false' \
  'NoDisplay=true'

write_entry "$data/applications/orvane.desktop" \
  '[Desktop Entry]' \
  'Type=Application' \
  'Name=Orvane' \
  'GenericName=Mail Notifier' \
  'Comment=Tells you when new mail has come' \
  "Exec=$(exec_argument "$folder/Quorvel")" \
  "Icon=$icon" \
  'Terminal=false' \
  'Categories=Network;Email;' \
  'StartupNotify=false'
