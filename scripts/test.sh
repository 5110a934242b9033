#!/usr/bin/env bash
# Sets up, builds and runs every test (headless). Starts its own PostgreSQL
# server on loopback for the server suite and stops it afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
BUILD_DIR=${BUILD_DIR:-build}
if [ -x scripts/pg-test-server.sh ]; then
  # The server suite fails, rather than skips, when the server did not come up.
  export ZENLO_TEST_PG_REQUIRED=1
  # shellcheck disable=SC1090
  source <(scripts/pg-test-server.sh start "$BUILD_DIR")
  trap 'scripts/pg-test-server.sh stop "$BUILD_DIR" >/dev/null 2>&1 || true' EXIT
fi
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)" "$@"
