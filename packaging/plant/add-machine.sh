#!/usr/bin/env bash
# Adds a machine's entry to the plant broker's password file, or replaces it (a new password).
#
#   add-machine.sh PASSWORD_FILE NAME              a password made at random, printed once
#   echo "$password" | add-machine.sh PASSWORD_FILE NAME     the password read from stdin
#
# NAME is the machine's name as its monitor publishes it (ZAVIze.ini's machine and user): 1..64
# letters, digits, '-', '_' or '.', not '.' first. The collector's own entry is made the same way
# with NAME kvdplant (so no machine may be named kvdplant). The password never appears on a
# command line; the file is made (mode 0640) when missing. mosquitto reads a changed file at its
# next start or reload (systemctl reload mosquitto). Needs mosquitto_passwd (Debian: mosquitto).
set -euo pipefail
if [ $# -ne 2 ]; then
  sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
fi
file=$1 name=$2
if ! [[ $name =~ ^[A-Za-z0-9_-][A-Za-z0-9._-]{0,63}$ ]]; then
  echo "add-machine.sh: \"$name\" is not a machine name (1..64 letters, digits, '-', '_' or '.', not '.' first)" >&2
  exit 2
fi
command -v mosquitto_passwd >/dev/null || { echo "add-machine.sh: mosquitto_passwd is not installed" >&2; exit 1; }
made=0
if [ -t 0 ]; then
  password=$(head -c 15 /dev/urandom | base64 | tr '+/' '-_')
  made=1
else
  IFS= read -r password || true
fi
if ! [[ $password =~ ^[[:graph:]]{1,128}$ ]]; then
  echo "add-machine.sh: the password must be 1..128 printable characters without spaces" >&2
  exit 2
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 0700 "$work"
# mosquitto_passwd -U hashes a file of user:password lines in place: the password stays off every
# command line.
printf '%s:%s\n' "$name" "$password" >"$work/entry"
mosquitto_passwd -U "$work/entry"
if [ -e "$file" ]; then
  grep -v "^$name:" "$file" >"$work/rest" || true
else
  : >"$work/rest"
fi
cat "$work/rest" "$work/entry" >"$work/passwd"
if [ -e "$file" ]; then
  cat "$work/passwd" >"$file"  # in place: the file keeps its owner and mode
else
  install -m 0640 "$work/passwd" "$file"
fi
if [ "$made" = 1 ]; then
  echo "$name: password $password"
  echo "(put it in the monitor's plant link settings, or in kvdplant's --password-file for kvdplant)"
else
  echo "$name: entry written to $file"
fi
