#!/usr/bin/env bash
# Builds the Debian package (make package), unpacks it into a scratch root with dpkg -x, validates
# the desktop entry and the AppStream metadata it installs, and runs the installed
# peakhound-search --rh6g on the installed examples from a folder without peaks/: it must find
# its own preset and select what the build selects with the repository's.
#   tools/check-package.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

rm -f "$build"/peakhound_*.deb
make package BUILD="$build"
debs=("$build"/peakhound_*_amd64.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "no single package in $build"; exit 1; }

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "${debs[0]}" "$root"
for path in usr/bin/peakhound usr/bin/peakhound-search usr/bin/peakhound-convert \
    usr/bin/peakhound-hitmap usr/share/man/man1/peakhound-hitmap.1.gz \
    usr/share/man/man1/peakhound-search.1.gz usr/share/man/man1/peakhound-convert.1.gz \
  usr/share/icons/hicolor/scalable/apps/peakhound.svg usr/share/peakhound/peaks/rh6g.txt; do
  [ -s "$root/$path" ] || { echo "package lacks $path"; exit 1; }
done
gzip -t "$root/usr/share/man/man1/peakhound-search.1.gz"
dpkg-deb -f "${debs[0]}" Depends | grep -q 'libqt6widgets6' || { echo "no Qt dependency"; exit 1; }
desktop-file-validate "$root"/usr/share/applications/peakhound.desktop
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml

expected=$(cd examples && "../$build/tools/peakhound-search" --peak-file ../peaks/rh6g.txt *.txt 2>/dev/null)
got=$(cd "$root/usr/share/peakhound/examples" && "$root/usr/bin/peakhound-search" --rh6g *.txt 2>/dev/null)
if [ -z "$got" ] || [ "$got" != "$expected" ]; then
  printf 'installed peakhound-search selected:\n%s\nexpected:\n%s\n' "$got" "$expected"
  exit 1
fi
echo "${debs[0]}: contents, desktop entry, metadata and the installed search checked"
