#!/usr/bin/env bash
# Checks the desktop integration and the Debian package of a build:
# the desktop entry, the AppStream metadata and the manual pages validate,
# the package builds and passes lintian without errors, and it installs into
# a fresh root where the program and the tools run from the installed paths.
#   scripts/check-package.sh [BUILD_DIR]   (default: build, built already)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
fail() { echo "check-package: $*" >&2; exit 1; }

echo "-- desktop entry and AppStream metadata"
desktop-file-validate --no-hints data/desktop/org.parlane.Parlane.desktop
appstreamcli validate --no-net --pedantic data/desktop/org.parlane.Parlane.metainfo.xml >/dev/null ||
  appstreamcli validate --no-net data/desktop/org.parlane.Parlane.metainfo.xml

echo "-- manual pages"
cmake --build "$dir" --target manpages >/dev/null
for page in "$dir"/man/*.1; do
  warnings=$( { groff -ww -z -man "$page" 2>&1; LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null; } || true)
  [ -z "$warnings" ] || fail "$page: $warnings"
done
[ "$(ls "$dir"/man/*.1 | wc -l)" -eq 4 ] || fail "expected four manual pages in $dir/man"

echo "-- package"
deb=$(bash scripts/build-deb.sh "$dir" | tail -n 1)
[ -f "$deb" ] || fail "no package built"
echo "$deb"
dpkg-deb -f "$deb" Package Version Architecture Depends Recommends
lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian reports errors on $deb"

echo "-- install into a fresh root"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
: > "$root/var/lib/dpkg/status"
# The fresh root has none of the libraries; the programs below run with this
# machine's, which must satisfy the computed dependencies.
dpkg --root="$root" --force-depends --force-script-chrootless -i "$deb" >"$root/dpkg.log" 2>&1 ||
  { cat "$root/dpkg.log"; fail "dpkg --root -i failed"; }
depends=$(dpkg-deb -f "$deb" Depends)
IFS=',' read -ra wanted <<<"$depends"
for dep in "${wanted[@]}"; do
  name=$(echo "$dep" | sed -E 's/^ *([^ (|]+).*/\1/')
  dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q "install ok installed" ||
    fail "dependency $name is not installed on this machine"
done
bin="$root/usr/bin"
"$bin/parlane" --version | grep -q "^parlane " || fail "parlane --version"
"$bin/parlane-render" --help | grep -q "usage: parlane-render" || fail "parlane-render --help"
"$bin/parlane-config" --help | grep -q "usage: parlane-config" || fail "parlane-config --help"
"$bin/parlane-xfer" --help | grep -q "usage: parlane-xfer" || fail "parlane-xfer --help"
status=0
err=$("$bin/parlane" telnet://host/path 2>&1 >/dev/null) || status=$?
[ "$status" -eq 2 ] && [ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] || fail "bad URL: status $status, '$err'"
share="$root/usr/share"
for f in applications/org.parlane.Parlane.desktop metainfo/org.parlane.Parlane.metainfo.xml \
         icons/hicolor/scalable/apps/org.parlane.Parlane.svg icons/hicolor/48x48/apps/org.parlane.Parlane.png \
         man/man1/parlane.1.gz man/man1/parlane-render.1.gz man/man1/parlane-config.1.gz \
         man/man1/parlane-xfer.1.gz doc/parlane/copyright; do
  [ -f "$share/$f" ] || fail "not installed: /usr/share/$f"
done
desktop-file-validate --no-hints "$share/applications/org.parlane.Parlane.desktop"
grep -q '^MimeType=.*x-scheme-handler/telnet;' "$share/applications/org.parlane.Parlane.desktop" ||
  fail "the desktop entry does not handle telnet: links"
man -l "$share/man/man1/parlane.1.gz" 2>/dev/null | grep -q "telnet://" || fail "man parlane"
dpkg --root="$root" --force-depends --force-script-chrootless -r parlane >"$root/dpkg.log" 2>&1 ||
  { cat "$root/dpkg.log"; fail "dpkg --root -r failed"; }
[ ! -e "$bin/parlane" ] || fail "dpkg -r left the program behind"
echo "package checks passed"
