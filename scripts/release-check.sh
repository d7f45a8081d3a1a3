#!/usr/bin/env bash
# make release-check: a release reproduces from its source archive, as a packager rebuilds it.
# The tree is packed as a source archive without git, unpacked in two folders of different
# lengths and built in each, the second at least a minute after the first began, so that any
# time taken from the clock differs; Portico.exe, Valedict.exe, KestrixSetup.exe (with the
# uninstaller inside) and its package manager manifest must come out byte for byte the same.
# Unsigned, as signatures carry their signing time. Two whole builds: minutes, so not part of
# make test. The copies and their logs stay in build/release-check.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
scripts/bootstrap.sh
jobs=${KX_JOBS:-2}
work=$root/build/release-check
fail() {
  echo "release-check FAILED: $*" >&2
  exit 1
}
rm -rf "$work"
mkdir -p "$work"
# Whatever way it ends, nothing the builds started in Wine outlives them.
export KX_WINEPREFIX=$work/wineprefix
trap 'scripts/wine-run.sh --end' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
# Nothing from the maker's environment: the date must come from the tree, and nothing is signed.
unset SOURCE_DATE_EPOCH KX_SIGN_PFX KX_SIGN_PASSWORD_FILE KX_SIGN_TIMESTAMP_URL KX_SIGN_WITHOUT_TIMESTAMP
# The copies lie inside this checkout, yet must not find it: to git they are outside any.
export GIT_CEILING_DIRECTORIES=$work
unset GIT_DIR GIT_WORK_TREE

archive=$work/kestrix-source.tar
if [ "$(git rev-parse --show-toplevel 2>/dev/null)" = "$root" ]; then
  git ls-files -z --cached --others --exclude-standard | tar --null --ignore-failed-read -T - -cf "$archive"
else
  tar --exclude=./build -cf "$archive" .
fi
echo "release-check: source archive $archive"

# Unpacks the archive into FOLDER and builds the setup program there, without the compiler cache.
build() {
  local folder=$1
  mkdir -p "$folder"
  tar -xf "$archive" -C "$folder"
  ! git -C "$folder" rev-parse 2>/dev/null || fail "$folder is inside a git checkout"
  echo "release-check: building in $folder at $(date -u '+%H:%M:%S')"
  if ! (cd "$folder" && cmake --preset win64 && CCACHE_DISABLE=1 cmake --build --preset win64 -j "$jobs" \
        --target kestrix_setup) >"$folder.log" 2>&1; then
    tail -n 50 "$folder.log"
    fail "the build in $folder fails (log: $folder.log)"
  fi
}
first=$work/a
second=$work/another-copy-of-the-sources-in-a-longer-folder
started=$(date +%s)
build "$first"
while [ $(($(date +%s) - started)) -lt 61 ]; do sleep 5; done
build "$second"

files=(Portico.exe Valedict.exe KestrixSetup.exe winget/Kestrix.Kestrix.yaml winget/Kestrix.Kestrix.installer.yaml
       winget/Kestrix.Kestrix.locale.en-US.yaml)
differ=()
for file in "${files[@]}"; do
  cmp "$first/build/win64/bin/$file" "$second/build/win64/bin/$file" || differ+=("$file")
done
[ ${#differ[@]} -eq 0 ] || fail "the two builds differ in ${differ[*]}"
echo "release-check: both builds give the same bytes:"
(cd "$first/build/win64/bin" && sha256sum "${files[@]}")
