#!/usr/bin/env bash
# The Windows platform layer (src/platform/win32): cross-built with mingw-w64,
# without Qt, and run under Wine in a throw-away prefix. Installs mingw-w64 and
# Wine when they are missing. Exits non-zero when a build or a test fails.
set -euo pipefail
cd "$(dirname "$0")/.."

PKGS=(g++-mingw-w64-x86-64 wine64 wine64-tools)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
command -v cmake >/dev/null || missing+=(cmake)
command -v ninja >/dev/null || missing+=(ninja-build)
# The Chinese locale's source, from which the tests' locale is made (no root needed for that).
[ -f /usr/share/i18n/locales/zh_CN ] || missing+=(locales)
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

WINE=/usr/lib/wine/wine64
[ -x "$WINE" ] || WINE=$(command -v wine64 || command -v wine)
WINESERVER=/usr/lib/wine/wineserver
[ -x "$WINESERVER" ] || WINESERVER=$(command -v wineserver)

BUILD=${ZENLO_WIN_BUILD_DIR:-build-win}
nice -n 10 cmake -S src/platform/win32 -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-mingw64.cmake" >/dev/null
nice -n 10 cmake --build "$BUILD" -j"${ZENLO_JOBS:-2}"

# A fresh prefix and a zh_CN locale of our own: Wine takes its ANSI code page
# (936, GBK) from the locale, and the tests check it.
TMP=$(mktemp -d)
export WINEPREFIX="$TMP/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LOCPATH="$TMP/locale"
mkdir -p "$LOCPATH"
localedef -i zh_CN -f UTF-8 "$LOCPATH/zh_CN.UTF-8" 2>/dev/null || true
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
  "$WINESERVER" -k >/dev/null 2>&1 || true
  rm -rf "$TMP"
}
trap cleanup EXIT

timeout 300 "$WINE" wineboot -i >/dev/null 2>&1 || true

failed=0
for t in "$BUILD"/tst_*.exe; do
  name=$(basename "$t" .exe)
  echo "== $name"
  # The programs print GBK (the console's code page); shown as UTF-8.
  if (cd "$BUILD" && timeout 300 "$WINE" "./$name.exe") >"$TMP/$name.log" 2>&1; then
    iconv -f GBK -t UTF-8 -c "$TMP/$name.log" | grep -v '^PASS  ' || true
  else
    iconv -f GBK -t UTF-8 -c "$TMP/$name.log"
    echo "== $name FAILED"
    failed=$((failed + 1))
  fi
done
if [ "$failed" -ne 0 ]; then
  echo "$failed Windows test program(s) failed"
  exit 1
fi
echo "All Windows test programs passed"
