#!/usr/bin/env bash
# release_test.sh SOURCE BIN WORK: a maker's release from a copy of SOURCE in another folder,
# WORK/kestrix-rebuild. Its Portico.exe and Valedict.exe, built without the compiler cache, match
# BIN's byte for byte. Its make installer says in one line that it signs nothing without
# KX_SIGN_PFX; with a throwaway code-signing certificate it signs the programs, the uninstaller
# and the setup program so that they verify against the throwaway CA (and fail to with one byte
# changed), and the setup program installs and its uninstaller uninstalls under Wine; a wrong
# password or an expired certificate stops it with the message and leaves no setup program.
# The password shows up in no output and nowhere in the build tree.
set -euo pipefail
source=$1 bin=$2 work=$3
copy=$work/kestrix-rebuild
pki=$work/pki
fail() {
  echo "FAILED: $*" >&2
  exit 1
}
# The copy's Windows tools run in a prefix of the build under test (its CTest slot's, when it
# has one), which then needs no setting up of its own.
export KX_WINEPREFIX=${KX_WINEPREFIX:-$("$source/scripts/wine-run.sh" --prefix)}
unset KX_SIGN_PFX KX_SIGN_PASSWORD_FILE KX_SIGN_TIMESTAMP_URL

rm -rf "$work"
mkdir -p "$copy" "$pki"
(cd "$source" && git ls-files -z --cached --others --exclude-standard |
  tar --null --ignore-failed-read -T - -c) | tar -x -C "$copy"

echo "== Portico.exe and Valedict.exe built again in $copy"
if ! (cd "$copy" && cmake --preset win64 && CCACHE_DISABLE=1 cmake --build --preset win64 -j "${KX_JOBS:-2}" \
      --target portico valedict) >"$work/rebuild.log" 2>&1; then
  cat "$work/rebuild.log"
  fail "the copy does not build"
fi
for program in Portico.exe Valedict.exe; do
  cmp "$bin/$program" "$copy/build/win64/bin/$program" || fail "$program differs between the two builds"
done

# Runs make installer in the copy with the given environment; its output goes to the log.
installer() {
  local log=$work/$1.log
  shift
  env "$@" make -C "$copy" installer >"$log" 2>&1
}
setup=$copy/build/installer/KestrixSetup.exe
built_setup=$copy/build/win64/bin/KestrixSetup.exe

echo "== make installer without KX_SIGN_PFX"
installer unsigned || { cat "$work/unsigned.log"; fail "make installer fails"; }
[ "$(grep -c "signed" "$work/unsigned.log")" = 1 ] || fail "not one line about signing: $(grep signed "$work/unsigned.log")"
grep -q "nothing is signed" "$work/unsigned.log" || fail "no line that nothing is signed"
! osslsigncode verify -in "$setup" >/dev/null 2>&1 || fail "the setup program is signed"

echo "== a throwaway CA and code-signing certificate"
password="kx-throwaway-$$-$RANDOM$RANDOM"
printf '%s\n' "$password" >"$pki/password"
printf '%s\n' "wrong-$password" >"$pki/wrong-password"
(
  cd "$pki"
  openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 -subj "/CN=Kestrix Test CA" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign"
  openssl req -newkey rsa:2048 -nodes -keyout maker.key -out maker.csr -subj "/CN=Kestrix Test Maker"
  printf '%s\n' "basicConstraints=CA:FALSE" "keyUsage=critical,digitalSignature" "extendedKeyUsage=codeSigning" >maker.ext
  openssl x509 -req -in maker.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile maker.ext -out maker.pem
  openssl pkcs12 -export -inkey maker.key -in maker.pem -certfile ca.pem -passout file:password -out maker.pfx
  # Valid until the moment it is made.
  openssl x509 -req -in maker.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 0 -extfile maker.ext -out expired.pem
  openssl pkcs12 -export -inkey maker.key -in expired.pem -certfile ca.pem -passout file:password -out expired.pfx
) >"$work/pki.log" 2>&1 || { cat "$work/pki.log"; fail "openssl cannot make the certificates"; }

# Verifies FILE against the throwaway CA: SHA-256, the product's name and the maker's home page;
# a copy of it with one byte changed must not verify.
verify() {
  local file=$1 report
  report=$(osslsigncode verify -CAfile "$pki/ca.pem" -in "$file" 2>&1) || fail "$file does not verify: $report"
  for expected in "Message digest algorithm  : SHA256" "Text description: Kestrix" \
                  "URL description: https://www.kestrix.example/" "Subject: /CN=Kestrix Test Maker"; do
    grep -qF "$expected" <<<"$report" || fail "$file: no \"$expected\" in $report"
  done
  local changed=$work/changed.exe at byte
  cp "$file" "$changed"
  at=$(($(stat -c %s "$changed") / 2))
  byte=$(od -An -tu1 -j "$at" -N1 "$changed" | tr -d ' ')
  printf "$(printf '\\%03o' $((byte ^ 1)))" | dd of="$changed" bs=1 seek="$at" conv=notrunc status=none
  ! osslsigncode verify -CAfile "$pki/ca.pem" -in "$changed" >/dev/null 2>&1 || fail "$file verifies with a byte changed"
  echo "verified $(basename "$file")"
}

echo "== make installer with KX_SIGN_PFX"
installer signed KX_SIGN_PFX="$pki/maker.pfx" KX_SIGN_PASSWORD_FILE="$pki/password" ||
  { cat "$work/signed.log"; fail "make installer fails to sign"; }
verify "$setup"

echo "== the signed setup program installs and its signed uninstaller uninstalls under Wine"
target=$work/installed
"$source/scripts/wine-run.sh" "$setup" /S "/D=Z:${target//\//\\}" || fail "the setup program fails"
for program in Portico.exe Valedict.exe Uninstall.exe; do
  verify "$target/$program"
done
# The installer tests on the signed programs, beside the signed setup program.
mkdir "$work/signed"
cp "$setup" "$target/Portico.exe" "$target/Valedict.exe" "$bin/installer_tests.exe" "$work/signed/"
# As the system runs it: a copy outside the folder, told where the installation is.
cp "$target/Uninstall.exe" "$work/Uninstall.exe"
"$source/scripts/wine-run.sh" "$work/Uninstall.exe" /S "_?=Z:${target//\//\\}" || fail "the uninstaller fails"
[ ! -e "$target" ] || fail "the uninstaller left $(find "$target")"
"$source/scripts/wine-run.sh" "$work/signed/installer_tests.exe" --gtest_filter='Setup.*' ||
  fail "the installer tests fail on the signed setup program"

# make installer with the environment fails with the message and leaves no setup program.
refused() {
  local log=$1 message=$2
  shift 2
  ! installer "$log" "$@" || fail "make installer succeeds ($log)"
  grep -q "$message" "$work/$log.log" || { cat "$work/$log.log"; fail "no \"$message\" in the output"; }
  [ ! -e "$setup" ] && [ ! -e "$built_setup" ] || fail "a setup program is left after the failure ($log)"
}
echo "== make installer with a wrong password, then with an expired certificate"
refused wrong "Wrong password" KX_SIGN_PFX="$pki/maker.pfx" KX_SIGN_PASSWORD_FILE="$pki/wrong-password"
refused expired "has expired" KX_SIGN_PFX="$pki/expired.pfx" KX_SIGN_PASSWORD_FILE="$pki/password"

! grep -rqF -- "$password" "$work"/*.log "$copy/build" || fail "the password shows up in a log or the build tree"
echo "release: reproducible programs, four signed files"
