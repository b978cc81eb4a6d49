#!/usr/bin/env bash
# Installs everything the build, the program under Wine and the tests need on
# a fresh Debian machine. Runs as root (or through sudo).
set -euo pipefail
packages=(
  cmake ninja-build g++ libgtest-dev clang libclang-rt-14-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine wine64 wine32:i386 fonts-wine
  xvfb x11-utils imagemagick
)
sudo=""
[ "$(id -u)" = 0 ] || sudo="sudo"
missing=0
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || { missing=1; break; }
done
if [ "$missing" = 1 ]; then
  echo "== Installing build and test packages"
  $sudo dpkg --add-architecture i386
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null
fi
echo "== Packages in place"
