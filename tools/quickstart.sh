#!/usr/bin/env bash
# The README's quick start on a machine that may not have make yet (stock Debian 12 has none):
# installs what building the program needs when make is missing, then runs make with the
# arguments given.
#   bash tools/quickstart.sh run     builds only the program and starts it
#   bash tools/quickstart.sh test    builds all and runs every test
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v make >/dev/null; then
  bash tools/install-deps.sh run
fi
exec make "$@"
