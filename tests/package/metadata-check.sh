#!/usr/bin/env bash
# What a distribution installs beside the program, checked with the tools distributions use.
source_dir=$1 build=$2 tavik=$3 help_pages=$4
. "$(dirname "${BASH_SOURCE[0]}")/../check.sh"
passes() { # description, command...
  local description=$1; shift
  if output="$("$@" 2>&1)"; then echo "ok   $description"; else echo "FAIL $description:"; echo "$output"; failures=$((failures + 1)); fi
}

version="$("$tavik" --version | sed 's/^tavik //')"

# AppStream. The id is the desktop file's name, not a reverse domain: the project has none of its own.
appstream() { appstreamcli validate --no-net --override=cid-desktopapp-is-not-rdns=info "$1"; }
metainfo="$build/data/tavik.metainfo.xml"
passes "the AppStream metadata is valid" appstream "$metainfo"
check "its release is the program's version" "1" "$(grep -c "<release version=\"$version\"" "$metainfo")"
# Published with its screenshots (as web addresses) it is valid too, and each is in the source tree.
sed "s#@PROJECT_VERSION@#$version#; s#@TAVIK_RELEASE_DATE@#2026-01-01#; s#<image>#<image>https://example.org/tavik/#" \
  "$source_dir/data/tavik.metainfo.xml.in" >"$work/tavik.metainfo.xml"
passes "with screenshots it is valid" appstream "$work/tavik.metainfo.xml"
for image in $(sed -n 's#.*<image>\(.*\)</image>.*#\1#p' "$source_dir/data/tavik.metainfo.xml.in"); do
  check "screenshot $image is there" "PNG" "$(head -c 4 "$source_dir/data/$image" 2>/dev/null | tail -c 3)"
done

# The desktop entry, and its actions run real commands.
passes "the desktop entry is valid" desktop-file-validate "$source_dir/data/tavik.desktop"
commands="$("$help_pages" commands)"
for command in $(sed -n 's/^Exec=tavik \(.\+\)$/\1/p' "$source_dir/data/tavik.desktop"); do
  check "the desktop action tavik $command is a command" "$command" "$(grep -x -- "$command" <<<"$commands")"
done
check "the desktop entry has two actions" "2" "$(grep -c '^\[Desktop Action ' "$source_dir/data/tavik.desktop")"

# The manual page renders without a complaint from groff and names every command.
man_page="$build/data/tavik.1"
passes "groff reads the manual page without warnings" \
  bash -c "groff -man -Tutf8 -ww -z '$man_page' 2>&1 | (! grep .)"
help="$("$tavik" help)"
rendered="$(MANWIDTH=200 man -l "$man_page" 2>&1 | sed 's/\x1b\[[0-9;]*m//g; s/.\x08//g')"
check "man shows its version" "1" "$(grep -c "tavik $version" <<<"$rendered")"
while IFS= read -r command; do
  check "the manual page has tavik $command" "true" "$(grep -qE -- "(tavik|\|) $command" <<<"$rendered" && echo true)"
  check "tavik help has tavik $command" "true" "$(grep -qE -- "(tavik|\|) $command" <<<"$help" && echo true)"
done <<<"$commands"
check "options keep their hyphens" "true" "$(grep -q -- '--ip-location' <<<"$rendered" && echo true)"
check "the installed page is the built one" "$(cat "$man_page")" "$(gzip -dc "$build/data/tavik.1.gz")"

# Icons: well-formed SVG; the symbolic one in a single colour, for the panel to recolour.
passes "both icons are well-formed" python3 -c 'import sys, xml.dom.minidom; [xml.dom.minidom.parse(f) for f in sys.argv[1:]]' \
  "$source_dir"/data/icons/tavik{,-symbolic}.svg
check "the symbolic icon has one colour" "1" \
  "$(grep -o 'fill="#[0-9a-fA-F]*"' "$source_dir/data/icons/tavik-symbolic.svg" | sort -u | wc -l)"

finish
