#!/usr/bin/env bash
# Builds the setup program, build/installer/KestrixSetup.exe, and beside it in build/installer/winget
# the package manager's manifest (KX_INSTALLER_URL, a cache variable, names where it is
# published), from the Windows build. The
# suite's other programs come from KX_SUITE_PROGRAMS (a CMake cache variable; by default the
# stub programs of the build), e.g. scripts/installer.sh -DKX_SUITE_PROGRAMS=/path/to/suite
# Signs the programs, the uninstaller and the setup program when KX_SIGN_PFX names a PKCS#12
# file (its password in the file KX_SIGN_PASSWORD_FILE), time-stamped by the RFC 3161 server
# KX_SIGN_TIMESTAMP_URL; without one only with KX_SIGN_WITHOUT_TIMESTAMP=1 (a test build).
set -euo pipefail
for variable in KX_SIGN_PFX KX_SIGN_PASSWORD_FILE; do
  if [ -n "${!variable:-}" ]; then
    export "$variable=$(realpath -m -- "${!variable}")"
  fi
done
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
scripts/bootstrap.sh
cmake --preset win64 "$@" >/dev/null
# Made afresh each time, as this environment asks: signed or not, and none left after a failure.
rm -rf build/installer/KestrixSetup.exe build/win64/bin/KestrixSetup.exe build/installer/winget build/win64/bin/winget
cmake --build --preset win64 -j "${KX_JOBS:-2}" --target kestrix_setup
mkdir -p build/installer
cp build/win64/bin/KestrixSetup.exe build/installer/KestrixSetup.exe
cp -r build/win64/bin/winget build/installer/winget
echo "installer: build/installer/KestrixSetup.exe"
echo "installer: build/installer/winget/ (the package manager's manifest)"
