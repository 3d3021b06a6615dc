#!/usr/bin/env bash
# Shows what a screen reader learns of Peakhound's main window. Runs the program in a private X
# server and D-Bus session with the AT-SPI bus, prints the accessible tree of the main window,
# checks that every control is there with its role and name, then works the window through
# AT-SPI alone and prints what the program announced.
#   tools/a11y-tree.sh [BUILD_DIR]       (default: build)
# Needs: xvfb, dbus (dbus-run-session), at-spi2-core, python3-pyatspi.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
program="$build/app/peakhound"
[ -x "$program" ] || { echo "no $program: build the target peakhound first" >&2; exit 2; }

if [ -z "${PH_A11Y_INNER:-}" ]; then
  export PH_A11Y_INNER=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" dbus-run-session -- bash "$0" "$build"
fi

# Inside the private session: the AT-SPI bus, then the program with accessibility on.
/usr/libexec/at-spi-bus-launcher --launch-immediately &
launcher=$!
sleep 1
cd "$root"
QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$program" &
app=$!
status=0
/usr/bin/python3 "$root/tools/a11y-tree.py" "$root/examples/rh6g_probe_01.txt" || status=$?
kill "$app" "$launcher" 2>/dev/null || true
wait 2>/dev/null || true
exit "$status"
