#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the screenshots need.
set -euo pipefail
PKGS=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-psql libqt6sql6-odbc libqt6svg6
  qt6-translations-l10n
  unixodbc-dev tdsodbc
  libsqlite3-dev libpugixml-dev libarchive-dev libspdlog-dev libfmt-dev libsodium-dev
  libbenchmark-dev libfontconfig-dev
  postgresql
  xvfb xauth fonts-noto-cjk
  fonts-wqy-microhei poppler-utils
  unicode-data bzip2 zip
)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
