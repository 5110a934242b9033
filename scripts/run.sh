#!/usr/bin/env bash
# Sets up, builds and starts zenlo on the embedded demo database.
# Extra arguments go to zenlo (for example /cfg:other.config).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
BUILD_DIR=${BUILD_DIR:-build}
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: starting zenlo inside a virtual X server (xvfb-run)." >&2
  exec xvfb-run -a -s "-screen 0 1920x1080x24" "$BUILD_DIR/bin/zenlo" "$@"
fi
exec "$BUILD_DIR/bin/zenlo" "$@"
