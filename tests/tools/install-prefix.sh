#!/usr/bin/env bash
# Installs the build into a fresh prefix (not the configured one) and runs the installed
# peakhound-search --rh6g from a folder without peaks/: it must find the preset installed beside
# it and select what the build's command selects with the repository's preset, and its --hit-map
# must find the picture program beside it. Without any copy,
# the message names the paths tried. The installed program without a display says so in one line.
#   install-prefix.sh BUILD_DIR SOURCE_DIR CONFIGURED_DATA_DIR
set -euo pipefail
build=$1 source=$2 configured=$3

prefix=$(realpath "$(mktemp -d)")
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix/usr" >/dev/null
mkdir "$prefix/elsewhere"

expected=$(cd "$source" && "$build/tools/peakhound-search" --rh6g "$PWD"/examples/*.txt 2>/dev/null)
got=$(cd "$prefix/elsewhere" && "$prefix/usr/bin/peakhound-search" --rh6g "$source"/examples/*.txt 2>/dev/null)
[ -n "$expected" ] || { echo "the build's command selected nothing"; exit 1; }
if [ "$got" != "$expected" ]; then
  printf 'installed command selected:\n%s\nexpected:\n%s\n' "$got" "$expected"
  exit 1
fi

# The installed command finds the picture program installed beside it.
if [ -x "$prefix/usr/bin/peakhound-hitmap" ]; then
  (cd "$prefix/elsewhere" && "$prefix/usr/bin/peakhound-search" --each --peak 1585 \
    --hit-map "$prefix/elsewhere" "$source/tests/data/formats/maps/map_6x6.wdf" >/dev/null)
  [ -s "$prefix/elsewhere/map_6x6.png" ] || { echo "the installed --hit-map wrote no picture"; exit 1; }
fi

# The installed program without a display: one line saying so, not Qt's abort.
if [ -x "$prefix/usr/bin/peakhound" ]; then
  message=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/usr/bin/peakhound" 2>&1) && exit 1
  [ "$message" = "peakhound: needs a display (neither DISPLAY nor WAYLAND_DISPLAY is set)" ] \
    || { printf 'without a display:\n%s\n' "$message"; exit 1; }
fi

[ ! -e "$configured/peaks/rh6g.txt" ] || exit 0
rm "$prefix/usr/share/peakhound/peaks/rh6g.txt"
message=$(cd / && "$prefix/usr/bin/peakhound-search" --rh6g "$source/examples/ethanol.txt" 2>&1) && exit 1
want="peaks/rh6g.txt: Datei nicht gefunden (/peaks/rh6g.txt, $prefix/usr/share/peakhound/peaks/rh6g.txt, $configured/peaks/rh6g.txt)"
if [ "$message" != "$want" ]; then
  printf 'message:\n%s\nexpected:\n%s\n' "$message" "$want"
  exit 1
fi
echo "installed under $prefix/usr: the preset found beside the command"
