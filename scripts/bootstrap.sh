#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that are missing.
set -euo pipefail
packages=(
  cmake make g++ clang libclang-rt-14-dev googletest libbenchmark-dev nlohmann-json3-dev
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
  wine64 fonts-wine fonts-wqy-microhei xvfb xauth x11-apps xdotool imagemagick
  nsis osslsigncode openssl
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "bootstrap: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}"
