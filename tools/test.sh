#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds and runs every test, then runs the
# threaded tests again under ThreadSanitizer and the file readers under AddressSanitizer +
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup-debian.sh

jobs=$(nproc)
# Compiler cache shared by every clone of the project on this machine.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
# Tests that need a GL context or keyboard events get a virtual X server when there is no display.
# It must not reset when its last client leaves: a server resetting refuses the connection of a
# test starting at that moment.
run() {
  if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
    xvfb-run -a -s "-screen 0 1280x720x24 -noreset" "$@"
  else
    "$@"
  fi
}

for preset in default tsan asan; do
  echo "=== ${preset} build"
  cmake --preset "${preset}" >/dev/null
  cmake --build --preset "${preset}" -j "${jobs}"
  run ctest --preset "${preset}" -j "${jobs}"
done
