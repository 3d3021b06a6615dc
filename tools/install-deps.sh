#!/usr/bin/env bash
# Installs the Debian 12 packages Peakhound needs, and only those that are missing. Uses sudo when
# not run as root.
#   tools/install-deps.sh run        what building and running the program needs
#   tools/install-deps.sh package    that and what building the Debian package needs
#   tools/install-deps.sh headless   that and a virtual screen to run the program on
#   tools/install-deps.sh            (or "full") also what the tests, benchmarks, fuzzing, the
#                                    package and the checks on a virtual screen need
set -euo pipefail

set_wanted="${1:-full}"

packages=(
  build-essential cmake pkgconf          # the build
  qt6-base-dev                           # Qt 6 Core, Gui, Widgets, Test
  qt6-svg-dev                            # SVG pictures of the chart
  qt6-l10n-tools qt6-tools-dev           # lupdate, lrelease and their CMake package (translations)
  fonts-liberation                       # the face the window layouts are measured for
  fonts-dejavu-core                      # text in pictures, glyphs the layout face lacks
)
packaging=(dpkg-dev file)                # the package's dependencies from its libraries
case "$set_wanted" in
  run) ;;
  package) packages+=("${packaging[@]}") ;;
  headless) packages+=(xvfb xauth) ;;
  full)
    packages+=(
      libbenchmark-dev                   # benchmarks
      clang libclang-rt-14-dev           # fuzz targets (libFuzzer) and sanitizers
      clang-format                       # the formatting check
      clang-tidy                         # the checks of .clang-tidy on the Qt-free code
      python3                            # sample and benchmark data generators
      xvfb xauth openbox imagemagick     # running the desktop program without a screen
      desktop-file-utils appstream       # checking the desktop entry and the metadata
      locales libc-l10n                  # the locales the tests compare, the system's messages
      "${packaging[@]}"
    )
    ;;
  *)
    echo "usage: $0 [run|package|headless|full]" >&2
    exit 2
    ;;
esac

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The tests compare the search's output under these locales (decimal comma, Turkish case rules)
# and the windows' texts in English.
if [ "$set_wanted" = full ]; then
  for locale in de_DE en_US fr_FR tr_TR; do
    locale -a 2>/dev/null | grep -qx "$locale.utf8" || $sudo localedef -i "$locale" -f UTF-8 "$locale.UTF-8"
  done
fi
