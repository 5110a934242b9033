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
  trap 'scripts/pg-test-server.sh stop "$BUILD_DIR" >/dev/null 2>&1 || true' EXIT
  # Read first, then applied: a server that does not come up stops here with its
  # reason (printed by the script), not as failing tests later.
  if ! pg_env=$(scripts/pg-test-server.sh start "$BUILD_DIR"); then
    echo "test.sh: the PostgreSQL test server did not start; see the reason above" >&2
    exit 1
  fi
  eval "$pg_env"
fi
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)" "$@"
