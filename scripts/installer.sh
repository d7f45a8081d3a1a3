#!/usr/bin/env bash
# Builds the setup program, build/installer/KestrixSetup.exe, from the Windows build. The
# suite's other programs come from KX_SUITE_PROGRAMS (a CMake cache variable; by default the
# stub programs of the build), e.g. scripts/installer.sh -DKX_SUITE_PROGRAMS=/path/to/suite
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
scripts/bootstrap.sh
cmake --preset win64 "$@" >/dev/null
cmake --build --preset win64 -j "${KX_JOBS:-2}" --target kestrix_setup
mkdir -p build/installer
cp build/win64/bin/KestrixSetup.exe build/installer/KestrixSetup.exe
echo "installer: build/installer/KestrixSetup.exe"
