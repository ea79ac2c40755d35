#!/usr/bin/env bash
# Sets up a fresh Debian machine, builds KorvelX and runs the demo
# (under a virtual X server when there is no display).
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup-debian.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"

cd build
if [ -z "${DISPLAY:-}" ]; then
  echo "demo: no display, running under Xvfb"
  exec xvfb-run -a -s "-screen 0 1280x720x24" ./KorvelX
fi
exec ./KorvelX
