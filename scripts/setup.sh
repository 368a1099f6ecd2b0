#!/usr/bin/env bash
# Installs the Debian packages Ambrine needs (only those missing), then
# configures and builds into build/. Run as root on Debian 12.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake g++ clang libclang-rt-14-dev ninja-build pkg-config
  libgtest-dev libgmock-dev
  nettle-dev
  gnupg1
  qt6-base-dev qt6-webengine-dev libgl-dev qt6-translations-l10n
  xvfb xauth fonts-noto-cjk
  nodejs node-jsdom time
  desktop-file-utils appstream man-db
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  apt-get update -q
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build build --parallel "$(nproc)"
