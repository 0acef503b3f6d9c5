#!/usr/bin/env bash
# The Debian package of a build folder: contents and dependencies; as root, apt installs, runs and
# removes it, else it runs unpacked. Usage: package-check.sh BUILD_DIR
. "$(dirname "${BASH_SOURCE[0]}")/../check.sh"
build="$(cd "$1" && pwd)"
installed_here=false
trap '! $installed_here || apt-get remove -y -qq tavik >/dev/null 2>&1; cleanup' EXIT
export XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime" HOME="$work/home"
mkdir -p "$XDG_RUNTIME_DIR" "$HOME" && chmod 700 "$XDG_RUNTIME_DIR"

version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
deb="$build/packages/tavik_${version}_$(dpkg --print-architecture).deb"
rm -f "$build"/packages/tavik_*.deb
cmake --build "$build" --target package >"$work/cpack.log" 2>&1 || cat "$work/cpack.log"
check "the package builds, named after the version" "true" "$([ -f "$deb" ] && echo true)"
[ -f "$deb" ] || finish

field() { dpkg-deb --field "$deb" "$1"; }
check "package name and version" "tavik $version" "$(field Package) $(field Version)"
depends="$(field Depends)"
# dpkg-shlibdeps names the libraries with their lowest versions; the QML modules are listed.
for library in libc6 'libqt6core6 (>=' 'libqt6quick6 (>=' 'libsdl2-2.0-0 (>=' libxcb1 qml6-module-qtquick-controls; do
  check "depends on $library" "true" "$(grep -qF -- "$library" <<<"$depends" && echo true)"
done

dpkg-deb --contents "$deb" | awk '{print $6}' | sed 's#^\./#/#' >"$work/contents"
for path in /usr/bin/tavik /usr/share/applications/tavik.desktop /usr/share/metainfo/tavik.metainfo.xml \
  /usr/share/icons/hicolor/scalable/apps/tavik.svg /usr/share/icons/hicolor/symbolic/apps/tavik-symbolic.svg \
  /usr/share/man/man1/tavik.1.gz /usr/share/bash-completion/completions/tavik \
  /usr/share/zsh/vendor-completions/_tavik /usr/share/fish/vendor_completions.d/tavik.fish \
  /usr/share/doc/tavik/copyright; do
  check "ships $path" "$path" "$(grep -x -- "$path" "$work/contents")"
done
check "the program is stripped" "true" \
  "$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/bin/tavik | file - | grep -q 'not stripped' || echo true)"

run_installed() { # the tavik to run: its version, and a picture drawn without a display
  check "tavik --version" "tavik $version" "$(env -u DISPLAY -u WAYLAND_DISPLAY "$1" --version)"
  env -u DISPLAY -u WAYLAND_DISPLAY "$1" render --out "$work/x.png" >"$work/render.log" 2>&1 || cat "$work/render.log"
  check "tavik render draws a PNG" "PNG" "$(head -c 4 "$work/x.png" 2>/dev/null | tail -c 3)"
}

if [ "$(id -u)" -eq 0 ] && ! dpkg-query -W -f='${Status}' tavik 2>/dev/null | grep -q 'ok installed'; then
  installed_here=true
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" >"$work/apt.log" 2>&1 ||
    cat "$work/apt.log"
  check "apt installs the package" "install ok installed" "$(dpkg-query -W -f='${Status}' tavik)"
  run_installed /usr/bin/tavik
  check "man finds the manual page" "/usr/share/man/man1/tavik.1.gz" "$(man -w tavik)"
  DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq tavik >"$work/apt.log" 2>&1 || cat "$work/apt.log"
  installed_here=false
  check "apt removes it" "" "$(dpkg-query -W -f='${Status}' tavik 2>/dev/null | grep 'ok installed')"
  check "no file is left behind" "" "$(while read -r path; do [ -f "$path" ] && echo "$path"; done <"$work/contents")"
else
  echo "(not root, or a tavik package is installed already: unpacking into a scratch folder instead)"
  dpkg-deb -x "$deb" "$work/root"
  run_installed "$work/root/usr/bin/tavik"
fi
finish
