#!/usr/bin/env bash
# Sets everything up, builds the programs and a demo installation, and starts the launcher in it.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
scripts/bootstrap.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "${KX_JOBS:-2}"
exec scripts/demo.sh "$@"
