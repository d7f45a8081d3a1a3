#!/usr/bin/env bash
# release_test.sh SOURCE BIN WORK: a maker's release from a copy of SOURCE in another folder,
# WORK/kestrix-rebuild. Its Portico.exe and Valedict.exe, built without the compiler cache, match
# BIN's byte for byte. Its make installer says in one line that it signs nothing without
# KX_SIGN_PFX; with a throwaway code-signing certificate and a time-stamp authority on a loopback
# port it signs and time-stamps the programs, the uninstaller and the setup program so that they
# verify against the throwaway CAs (and fail to with one byte changed), also at a time after the
# certificate has expired, and the setup program installs and its uninstaller uninstalls under
# Wine. Without a time-stamp server it signs only when told that this is a test build, with a
# warning, and such a signature fails after the expiry. A wrong password, a certificate expired
# or not yet valid, or an expired issuer in the file stops it with the message and leaves no
# setup program. The password shows up in no output and nowhere in the build tree.
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
unset KX_SIGN_PFX KX_SIGN_PASSWORD_FILE KX_SIGN_TIMESTAMP_URL KX_SIGN_WITHOUT_TIMESTAMP
authority=""
trap '[ -z "$authority" ] || { kill "$authority"; wait "$authority"; } 2>/dev/null || true' EXIT

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

echo "== throwaway CAs, code-signing certificates and a time-stamp authority"
password="kx-throwaway-$$-$RANDOM$RANDOM"
printf '%s\n' "$password" >"$pki/password"
printf '%s\n' "wrong-$password" >"$pki/wrong-password"
(
  cd "$pki"
  openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 3650 -subj "/CN=Kestrix Test CA" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign"
  printf '%s\n' "basicConstraints=CA:FALSE" "keyUsage=critical,digitalSignature" "extendedKeyUsage=codeSigning" >maker.ext
  printf '%s\n' "basicConstraints=critical,CA:TRUE" "keyUsage=critical,keyCertSign" >issuer.ext
  printf '%s\n' "basicConstraints=CA:FALSE" "keyUsage=critical,digitalSignature" \
    "extendedKeyUsage=critical,timeStamping" >tsa.ext
  for key in maker issuer tsa; do
    openssl req -newkey rsa:2048 -nodes -keyout $key.key -out $key.csr -subj "/CN=Kestrix Test ${key^}"
  done
  # Valid for two days from now.
  openssl x509 -req -in maker.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile maker.ext -out maker.pem
  openssl x509 -req -in tsa.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 3650 -extfile tsa.ext -out tsa.pem
  # Certificates with dates of their own, from a CA database.
  mkdir ca
  : >ca/index
  echo 1000 >ca/serial
  printf '%s\n' "[ca]" "default_ca=test" "[test]" "database=ca/index" "serial=ca/serial" "new_certs_dir=ca" \
    "certificate=ca.pem" "private_key=ca.key" "default_md=sha256" "policy=any" "unique_subject=no" \
    "[any]" "commonName=supplied" >ca.cnf
  dated() { openssl ca -batch -notext -config ca.cnf -startdate "$1" -enddate "$2" -extfile "$3" -in "$4" -out "$5"; }
  dated 20200101000000Z 20200201000000Z maker.ext maker.csr expired.pem
  dated 20990101000000Z 20990201000000Z maker.ext maker.csr future.pem
  # A valid certificate from an issuer that has expired, which the file holds with the root.
  dated 20200101000000Z 20200201000000Z issuer.ext issuer.csr issuer.pem
  openssl x509 -req -in maker.csr -CA issuer.pem -CAkey issuer.key -CAcreateserial -days 2 -extfile maker.ext \
    -out by-expired-issuer.pem
  cat issuer.pem ca.pem >expired-chain.pem
  pfx() { openssl pkcs12 -export -inkey maker.key -in "$1" -certfile "$2" -passout file:password -out "$3"; }
  pfx maker.pem ca.pem maker.pfx
  pfx expired.pem ca.pem expired.pfx
  pfx future.pem ca.pem future.pfx
  pfx by-expired-issuer.pem expired-chain.pem expired-issuer.pfx
  printf '%s\n' "[tsa]" "default_tsa=test" "[test]" "serial=tsa-serial" "crypto_device=builtin" \
    "signer_digest=sha256" "default_policy=1.3.6.1.4.1.55555.1" "digests=sha256,sha384,sha512" \
    "accuracy=secs:1" "ordering=yes" "tsa_name=yes" "ess_cert_id_chain=no" "ess_cert_id_alg=sha256" >ts.cnf
  echo 01 >tsa-serial
) >"$work/pki.log" 2>&1 || { cat "$work/pki.log"; fail "openssl cannot make the certificates"; }
/usr/bin/python3 "$source/tests/installer/tsa_server.py" "$pki" 2>"$work/tsa.log" &
authority=$!
for _ in $(seq 100); do [ -s "$pki/port" ] && break; sleep 0.1; done
[ -s "$pki/port" ] || { cat "$work/tsa.log"; fail "the time-stamp authority did not start"; }
timestamps=http://127.0.0.1:$(cat "$pki/port")/
# Ten days on, the signing certificate has expired; the CAs have not.
after_expiry=$(($(date +%s) + 10 * 86400))

# Verifies FILE against the throwaway CA: SHA-256, the product's name and the maker's home page;
# a copy of it with one byte changed must not verify.
verify() {
  local file=$1 report
  report=$(osslsigncode verify -CAfile "$pki/ca.pem" -TSA-CAfile "$pki/ca.pem" -in "$file" 2>&1) ||
    fail "$file does not verify: $report"
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

# Whether FILE's signature verifies at a time after the certificate has expired: only one that
# carries a time stamp from before does.
verifies_after_expiry() {
  osslsigncode verify -CAfile "$pki/ca.pem" -TSA-CAfile "$pki/ca.pem" -time "$after_expiry" -in "$1" \
    >"$work/after-expiry.log" 2>&1
}
# FILE verifies as above, carries a time stamp and still verifies after the expiry.
verify_time_stamped() {
  verify "$1"
  grep -q "Timestamp Server Signature verification: ok" <<<"$(osslsigncode verify -CAfile "$pki/ca.pem" \
    -TSA-CAfile "$pki/ca.pem" -in "$1" 2>&1)" || fail "$1 carries no time stamp that verifies"
  verifies_after_expiry "$1" || { cat "$work/after-expiry.log"; fail "$1 does not verify after the expiry"; }
}

echo "== make installer with KX_SIGN_PFX and KX_SIGN_TIMESTAMP_URL"
installer signed KX_SIGN_PFX="$pki/maker.pfx" KX_SIGN_PASSWORD_FILE="$pki/password" \
  KX_SIGN_TIMESTAMP_URL="$timestamps" || { cat "$work/signed.log"; fail "make installer fails to sign"; }
verify_time_stamped "$setup"
# The two programs, the uninstaller and the setup program, each asked for one time stamp.
[ "$(grep -c '^application/timestamp-query$' "$pki/answered")" = 4 ] ||
  fail "not four time-stamp queries answered: $(cat "$pki/answered")"

echo "== the signed setup program installs and its signed uninstaller uninstalls under Wine"
target=$work/installed
"$source/scripts/wine-run.sh" "$setup" /S "/D=Z:${target//\//\\}" || fail "the setup program fails"
for program in Portico.exe Valedict.exe Uninstall.exe; do
  verify_time_stamped "$target/$program"
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
echo "== make installer without a time-stamp server: refused, then a test build with a warning"
refused untimestamped "signing refused: KX_SIGN_TIMESTAMP_URL names no RFC 3161 time-stamp server" \
  KX_SIGN_PFX="$pki/maker.pfx" KX_SIGN_PASSWORD_FILE="$pki/password"
installer test-build KX_SIGN_PFX="$pki/maker.pfx" KX_SIGN_PASSWORD_FILE="$pki/password" KX_SIGN_WITHOUT_TIMESTAMP=1 ||
  { cat "$work/test-build.log"; fail "make installer fails to sign a test build"; }
grep -q "^WARNING: signing WITHOUT A TIME STAMP" "$work/test-build.log" || fail "no warning about the missing time stamp"
verify "$setup"
! verifies_after_expiry "$setup" || fail "a signature without a time stamp verifies after the certificate's expiry"

echo "== make installer with a wrong password, an expired or not yet valid certificate, an expired issuer"
signing=(KX_SIGN_PASSWORD_FILE="$pki/password" KX_SIGN_TIMESTAMP_URL="$timestamps")
refused wrong "a wrong password" KX_SIGN_PFX="$pki/maker.pfx" "${signing[@]}" KX_SIGN_PASSWORD_FILE="$pki/wrong-password"
refused expired "the certificate chain in KX_SIGN_PFX has expired" KX_SIGN_PFX="$pki/expired.pfx" "${signing[@]}"
refused future "the certificate chain in KX_SIGN_PFX is not yet valid" KX_SIGN_PFX="$pki/future.pfx" "${signing[@]}"
refused expired-issuer "the certificate chain in KX_SIGN_PFX has expired: CN = Kestrix Test Issuer" KX_SIGN_PFX="$pki/expired-issuer.pfx" "${signing[@]}"

! grep -rqF -- "$password" "$work"/*.log "$copy/build" || fail "the password shows up in a log or the build tree"
echo "release: reproducible programs, four signed and time-stamped files"
