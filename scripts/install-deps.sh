#!/usr/bin/env bash
# Installs the Debian packages FELMO needs to build, test and run, when any is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build make pkg-config git clang libclang-rt-14-dev
  libjpeg62-turbo-dev libpng-dev libgif-dev libwebp-dev libimagequant-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools qt6-l10n-tools qt6-tools-dev libgl-dev
  xvfb xauth x11-apps imagemagick fonts-dejavu-core fonts-liberation2
  lintian desktop-file-utils appstream librsvg2-bin bash-completion man-db
  qt6-translations-l10n openbox gettext
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine wine64 zip dpkg-dev
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
    || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
