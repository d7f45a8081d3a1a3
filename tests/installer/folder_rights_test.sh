#!/usr/bin/env bash
# folder_rights_test.sh SOURCE BIN WORK: the rights a silent setup gives a folder outside Program
# Files, C:\Kestrix. Wine keeps no file security descriptors, so what the setup asks for is read
# from the wineserver's trace of the request: in WORK, a copy of the build's prefix gets a
# traced server of its own, which nothing else shares.
set -euo pipefail
source=$1 bin=$2 work=$3
fail() {
  echo "FAILED: $*" >&2
  exit 1
}
base=$("$source/scripts/wine-run.sh" --prefix)
prefix=$work/prefix
rm -rf "$work"
mkdir -p "$work"
cp -a "$base" "$prefix"
export KX_WINEPREFIX=$prefix WINEPREFIX=$prefix
server=""
end() {
  "$source/scripts/wine-run.sh" --end
  [ -z "$server" ] || wait "$server" 2>/dev/null || true
  rm -rf "$prefix"
}
trap end EXIT

# The server says it has started once it listens: the setup must not start an untraced one.
log=$work/server.log
wineserver -f -p -d1 2>"$log" &
server=$!
for _ in $(seq 200); do grep -q '^wineserver: starting' "$log" && break; sleep 0.05; done
grep -q '^wineserver: starting' "$log" || fail "the traced wineserver did not start"

code=0
"$source/scripts/wine-run.sh" "$bin/KestrixSetup.exe" /S '/D=C:\Kestrix' || code=$?
[ "$code" = 0 ] || fail "the setup exited with $code"
[ -f "$prefix/drive_c/Kestrix/Portico.exe" ] || fail "nothing installed in C:\\Kestrix"
"$source/scripts/wine-run.sh" --end

# Each request to set a security descriptor, after the Unix name its thread last learnt for the
# handle it names.
requests=$(awk '
  / get_handle_unix_name\( handle=/ { handle = $0; sub(/.*handle=/, "", handle); sub(/ .*/, "", handle); asked[$1] = handle }
  / get_handle_unix_name\(\) = 0 / { name = $0; sub(/.*name="/, "", name); sub(/" }.*/, "", name); names[$1, asked[$1]] = name }
  / set_security_object\( / { handle = $0; sub(/.*handle=/, "", handle); sub(/,.*/, "", handle); print names[$1, handle] "\t" $0 }
' "$log")
[ -n "$requests" ] || fail "the setup set no security descriptor"
[ "$(wc -l <<<"$requests")" = 1 ] || fail "more than one security descriptor set: $requests"
[ "${requests%%$'\t'*}" = "$prefix/drive_c/Kestrix" ] || fail "the security descriptor is not the folder's: $requests"
# DACL_SECURITY_INFORMATION and PROTECTED_DACL_SECURITY_INFORMATION: nothing inherited.
grep -q 'security_info=80000004, ' <<<"$requests" || fail "not a protected DACL alone: $requests"

# Wine adds the parent's inheritable entries, marked inherited (0x10), whatever the protection
# asks for (Windows adds none); the setup's own are the folder's whole DACL on Windows.
dacl=${requests#*dacl=\{\{}
dacl=${dacl%%\}\}*}
own=""
while IFS= read -r entry; do
  flags=${entry#*flags=}
  flags=${flags%%,*}
  (( 16#$flags & 16#10 )) || own+="$entry"$'\n'
done < <(sed 's/},{/\n/g' <<<"$dacl")
# Object and container inherit (3); full control (1f01ff) for SYSTEM and Administrators, read
# and execute (1200a9) for Users.
expected="type=ACCESS_ALLOWED,flags=3,mask=1f01ff,sid=S-1-5-18
type=ACCESS_ALLOWED,flags=3,mask=1f01ff,sid=S-1-5-32-544
type=ACCESS_ALLOWED,flags=3,mask=1200a9,sid=S-1-5-32-545
"
[ "$own" = "$expected" ] || fail "the setup's entries are not SYSTEM, Administrators and Users as in Program Files: $own"
echo "C:\\Kestrix: a protected DACL, SYSTEM and Administrators full control, Users read and execute"
