#!/usr/bin/env bash
# Checks the PE tables of FPKestrova.dll: the four exports by ordinal with their names, imports
# from system DLLs only and only of functions that Windows XP's system DLLs export (the list in
# xp_system_imports.txt beside this script), headers that XP's loader accepts, and no
# thread-local data but the runtime's own. Prints the tables, one PASS or FAIL line per check, and
# last "pe-tables: N passed, M failed".
#
#   check_pe_tables.sh path/to/FPKestrova.dll
set -uo pipefail

dll="$1"
here="$(cd "$(dirname "$0")" && pwd)"
objdump="${KESTROVA_OBJDUMP:-i686-w64-mingw32-objdump}"

passed=0
failed=0
# Records one check: its name and whether the command given after it succeeds.
check() {
  local name="$1"
  shift
  if "$@"; then
    echo "PASS: $name"
    passed=$((passed + 1))
  else
    echo "FAIL: $name"
    failed=$((failed + 1))
  fi
}

if ! dump="$("$objdump" -p "$dll")"; then
  echo "FAIL: $objdump cannot read $dll"
  echo "pe-tables: 0 passed, 1 failed"
  exit 1
fi

# The value of a header field such as "MajorSubsystemVersion", as objdump prints it.
header_field() { awk -v field="$1" '$1 == field { print $2; exit }' <<< "$dump"; }

# Export table: the DLL name, the ordinal base and the names; each name's ordinal is its entry in
# the ordinal table plus the base.
export_name="$(awk '$1 == "Name" && NF >= 3 { print $NF; exit }' <<< "$dump")"
ordinal_base="$(awk '/^Ordinal Base/ { print $NF; exit }' <<< "$dump")"
exports="$(awk -v base="${ordinal_base:-0}" '
  /^\[Ordinal\/Name Pointer\] Table/ { table = 1; next }
  table && /^\t\[ *[0-9]+\]/ { gsub(/[\[\]]/, " "); print $1 + base, $2; next }
  table && !/^\t/ { table = 0 }' <<< "$dump")"
# Import table: "DLL function" for every imported function.
imports="$(awk '
  /DLL Name:/ { dll = $3; next }
  dll != "" && /^\t[0-9a-f]+\t +[0-9]+ +[^ ]+/ { print dll, $3; next }
  /^$/ { }' <<< "$dump")"
import_dlls="$(awk '{ print $1 }' <<< "$imports" | sort -fu)"

echo "Exports of $export_name (ordinal base $ordinal_base):"
sed 's/^/  /' <<< "$exports"
echo "Imports:"
for imported_dll in $import_dlls; do
  echo "  $imported_dll: $(awk -v d="$imported_dll" '$1 == d { printf "%s ", $2 }' <<< "$imports")"
done

expected_exports="$(printf '%s\n' "1 DllCanUnloadNow" "2 DllGetClassObject" \
  "3 DllRegisterServer" "4 DllUnregisterServer")"
check "export directory names FPKestrova.dll" test "$export_name" = "FPKestrova.dll"
check "exports are ordinals 1-4: DllCanUnloadNow, DllGetClassObject, DllRegisterServer, DllUnregisterServer" \
  test "$(sort -n <<< "$exports")" = "$expected_exports"
check "a 32-bit (PE32) DLL" grep -q '^Magic[[:space:]]*010b' <<< "$dump"

system_dlls='^(kernel32|user32|gdi32|advapi32|ole32|oleaut32|msvcrt|shell32|shlwapi|comctl32|comdlg32|version|wininet|urlmon)\.dll$'
non_system="$(grep -viE "$system_dlls" <<< "$import_dlls" || true)"
check "imports only system DLLs${non_system:+ (not: $(tr '\n' ' ' <<< "$non_system"))}" \
  test -z "$non_system"

allowed="$(grep -v '^#' "$here/xp_system_imports.txt" | awk 'NF == 2 { print tolower($1), $2 }')"
unknown="$(awk '{ print tolower($1), $2 }' <<< "$imports" | grep -vxF -f <(echo "$allowed") || true)"
check "every import exists in Windows XP's system DLLs${unknown:+ (not listed: $(tr '\n' ' ' <<< "$unknown"))}" \
  test -z "$unknown"

subsystem=$(( $(header_field MajorSubsystemVersion) * 100 + $(header_field MinorSubsystemVersion) ))
os_version=$(( $(header_field MajorOSystemVersion) * 100 + $(header_field MinorOSystemVersion) ))
check "subsystem and OS versions at most 5.1 (Windows XP)" \
  test "$subsystem" -le 501 -a "$os_version" -le 501

# Thread-local storage. Windows XP's loader sets up no TLS for a DLL loaded at run time, as
# FrontPage loads the add-in: a variable in the TLS directory's template would then be read through
# a slot that was never given. MinGW-w64's GCC emulates thread_local (through TlsAlloc and
# TlsGetValue, which work on XP at any time), so the only template is the runtime's own marker of
# at most 4 bytes, which nothing reads. A native thread-local variable would grow it.
tls_rva="$(awk '/Thread Storage Directory/ { print $3; exit }' <<< "$dump")"
image_base="$(header_field ImageBase)"
tls_words=()
if [ -n "$tls_rva" ] && [ "$((16#$tls_rva))" -ne 0 ]; then
  tls_start=$((16#$image_base + 16#$tls_rva))
  # StartAddressOfRawData, EndAddressOfRawData, AddressOfIndex, AddressOfCallBacks,
  # SizeOfZeroFill, Characteristics: six little-endian words.
  for word in $("$objdump" -s --start-address="$tls_start" --stop-address="$((tls_start + 24))" \
    "$dll" | awk '/^ [0-9a-f]+ / { for (i = 2; i <= 5 && i <= NF; i++) if ($i ~ /^[0-9a-f]+$/ &&
      length($i) == 8) print substr($i, 7, 2) substr($i, 5, 2) substr($i, 3, 2) substr($i, 1, 2) }'); do
    tls_words+=("$((16#$word))")
  done
fi
tls_template=-1
if [ "${#tls_words[@]}" -ge 5 ]; then
  tls_template=$((tls_words[1] - tls_words[0] + tls_words[4]))
fi
echo "TLS template: $tls_template bytes"
check "the TLS directory is the runtime's alone: a template of at most 4 bytes (was $tls_template)" \
  test "$tls_template" -ge 0 -a "$tls_template" -le 4
check "thread_local is emulated through TlsAlloc and TlsGetValue" \
  test -n "$(grep -ix 'kernel32.dll TlsAlloc' <<< "$imports")" \
  -a -n "$(grep -ix 'kernel32.dll TlsGetValue' <<< "$imports")"

echo "pe-tables: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
