#!/usr/bin/env bash
# Usage: layout-check.sh SOURCE_DIR. Prints each include of a src/ folder from one it does not build on,
# directly or not, and each folder the graph does not place.
set -u
src="$1/src"

# Each folder and the folders it builds on directly; the README draws the same graph.
declare -A direct=(
  [core]=
  [settings]=core
  [sprite]=core
  [effects]="settings sprite"
  [atmosphere]=effects
  [platform]=core
  [sound]=settings
  [weather]=settings
  [overlay]="atmosphere platform"
  [ui]="settings platform weather"
  [cli]="atmosphere platform sound weather"
  [app]="cli overlay ui"
)

allowed() { # what a folder may include from, a line each: itself, and all it builds on
  echo "$1"
  for below in ${direct[$1]}; do allowed "$below"; done
}

problems=0
for dir in "$src"/*/; do
  folder="$(basename "$dir")"
  if [ -z "${direct[$folder]+placed}" ]; then
    echo "src/$folder is not in the folder graph of $(basename "$0")"
    problems=$((problems + 1))
    continue
  fi
  may=" $(allowed "$folder" | sort -u | xargs) "
  while IFS=: read -r file included; do
    used="${included%%/*}"
    [ -n "${direct[$used]+placed}" ] || continue # not one of ours
    case "$may" in *" $used "*) continue ;; esac
    echo "${file#"$1"/}: includes $included, but $folder does not build on $used"
    problems=$((problems + 1))
  done < <(grep -rHoE --include='*.h' --include='*.cpp' '^#include "[^"]+/[^"]+"' "$dir" | sed 's/#include "\(.*\)"$/\1/')
done

[ "$problems" -eq 0 ] && echo "ok   every include points down the folder graph" # and the exit status
