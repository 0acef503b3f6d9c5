#!/usr/bin/env bash
# scripts/setup with every package missing, as root, with sudo and without, on recording stand-ins.
setup="$1/scripts/setup"
. "$(dirname "${BASH_SOURCE[0]}")/../check.sh"
has() { grep -q -- "$1" <<<"$2" && echo yes || echo no; }

machine() { # uid, sudo or none
  rm -rf "$work/bin" "$work/log" && mkdir -p "$work/bin"
  for tool in bash dirname grep sort; do ln -s "$(command -v $tool)" "$work/bin/$tool"; done
  printf '#!/bin/sh\necho %s\n' "$1" >"$work/bin/id"
  printf '#!/bin/sh\nexit 1\n' >"$work/bin/dpkg-query"
  printf '#!/bin/sh\necho "apt-get $*" >>%s\n' "$work/log" >"$work/bin/apt-get"
  if [ "$2" = sudo ]; then printf '#!/bin/sh\necho "sudo $*" >>%s\n' "$work/log" >"$work/bin/sudo"; fi
  chmod +x "$work/bin"/*
}
run() { PATH="$work/bin" "$setup" "$@" 2>"$work/err" >/dev/null; echo $?; }

machine 0 none
check "root: done" "0" "$(run --runtime)"
log="$(cat "$work/log")"
check "root runs apt-get itself" "apt-get update -qq" "$(head -1 <<<"$log")"
check "--runtime asks for the QML modules, no compiler, no test tools" "yes no no" \
  "$(has qml6-module-qtquick-controls "$log") $(has build-essential "$log") $(has xvfb "$log")"

machine 1000 sudo
check "user with sudo: done" "0" "$(run --build --test)"
log="$(cat "$work/log")"
check "a user goes through sudo" "sudo apt-get update -qq" "$(head -1 <<<"$log")"
check "--build --test asks for the compiler and the test tools" "yes yes" "$(has build-essential "$log") $(has xvfb "$log")"

machine 1000 none
check "user without sudo: fails" "1" "$(run)"
err="$(cat "$work/err")"
check "one sentence" "1" "$(wc -l <"$work/err")"
check "it names the packages (all groups without arguments)" "yes yes yes" \
  "$(has libsdl2-2.0-0 "$err") $(has cmake "$err") $(has appstream "$err")"
check "nothing ran apt-get" "no" "$([ -e "$work/log" ] && echo yes || echo no)"

check "an unknown group is a usage error" "2" "$(run --everything)"

finish
