#!/usr/bin/env bash
# The folder check on made-up trees names each include that points up and each folder it cannot place.
. "$(dirname "$0")/check.sh"

# A tree of one file per pair: FILE INCLUDED...; prints the check's exit code and its report.
tree() {
  rm -rf "$work/src"
  while [ $# -gt 0 ]; do
    mkdir -p "$work/src/$(dirname "$1")"
    printf '#include "%s"\n#include <QString>\n' "$2" >>"$work/src/$1"
    shift 2
  done
  "$(dirname "$0")/layout-check.sh" "$work" | grep -v '^ok' | tr '\n' '|'
  echo "${PIPESTATUS[0]}"
}

check "down the graph, and from the folder itself" "0" \
  "$(tree app/Main.cpp sprite/Node.h app/Main.cpp app/Main.h platform/Dock.h core/DockGeometry.h)"
check "up the graph" "src/platform/Dock.h: includes effects/DockGeometry.h, but platform does not build on effects|1" \
  "$(tree platform/Dock.h effects/DockGeometry.h platform/Dock.h core/Signal.h)"
check "sideways between branches" "src/sound/Levels.cpp: includes weather/Codes.h, but sound does not build on weather|1" \
  "$(tree sound/Levels.cpp weather/Codes.h)"
check "a folder the graph does not place" "src/extra is not in the folder graph of layout-check.sh|1" \
  "$(tree extra/New.cpp core/Signal.h)"
finish
