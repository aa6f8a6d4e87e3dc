#!/usr/bin/env bash
# Checks the PE tables of FPKestrova.dll: the four exports by ordinal with their names, imports
# from system DLLs only and only of functions that Windows XP's system DLLs export (the list in
# xp_system_imports.txt beside this script), and headers that XP's loader accepts. Prints the
# tables, one PASS or FAIL line per check, and last "pe-tables: N passed, M failed".
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

echo "pe-tables: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
