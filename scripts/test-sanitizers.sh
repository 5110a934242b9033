#!/usr/bin/env bash
# Builds the whole suite with AddressSanitizer + UndefinedBehaviorSanitizer
# (leak detection on) in its own build folder and runs every test there.
# Any finding fails the test that met it. Extra arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
BUILD_DIR=${ASAN_BUILD_DIR:-build-asan}
flags="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZENLO_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DCMAKE_MODULE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
if [ -x scripts/pg-test-server.sh ]; then
  export ZENLO_TEST_PG_REQUIRED=1
  trap 'scripts/pg-test-server.sh stop "$BUILD_DIR" >/dev/null 2>&1 || true' EXIT
  # Read first, then applied: a server that does not come up stops here with its
  # reason (printed by the script), not as failing tests later.
  if ! pg_env=$(scripts/pg-test-server.sh start "$BUILD_DIR"); then
    echo "test-sanitizers.sh: the PostgreSQL test server did not start; see the reason above" >&2
    exit 1
  fi
  eval "$pg_env"
fi
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)" "$@"
