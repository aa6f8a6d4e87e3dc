#!/usr/bin/env bash
# The installer under Wine: silent installs and uninstalls in a fresh 32-bit prefix, with the
# registry and the file tree read back and compared with snapshots taken before.
#
#   installer_test.sh INSTALLER DLL HOLD_MODULE
#
# INSTALLER is the setup program, DLL the FPKestrova.dll it should install, HOLD_MODULE the helper
# that keeps a DLL loaded as FrontPage does. WINEPREFIX must name a freshly booted 32-bit prefix
# that nothing else uses; the caller stops its Wine server. Prints one PASS or FAIL line per check
# and last "installer-checks: N passed, M failed"; the exit status is non-zero when a check failed.
set -uo pipefail

if [ "$#" -ne 3 ]; then
  echo "usage: installer_test.sh INSTALLER DLL HOLD_MODULE" >&2
  exit 2
fi
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/wine_snapshot.sh"

work="$(mktemp -d "${TMPDIR:-/tmp}/kestrova-installer-test.XXXXXX")"
trap 'rm -rf "$work"' EXIT
# Copies in a folder without spaces: cmd.exe runs them with command lines written out whole.
setup="$work/$(basename "$1")"
cp "$1" "$setup"
cp "$2" "$work/built.dll"
cp "$3" "$work/hold_module.exe"

readonly PROG_ID="KestrovaFrontPageAddin.FPKestrova"
readonly CLASS_ID="{A57F6D09-5DBA-11D6-BF4C-0050BA4D812E}"
readonly LIBRARY_ID="{A57F6D07-5DBA-11D6-BF4C-0050BA4D812E}"
readonly INTERFACE_ID="{A57F6D08-5DBA-11D6-BF4C-0050BA4D812E}"
readonly DESCRIPTION="This is the Kestrova COM Add-in for Microsoft FrontPage"
readonly USER_CLASSES="user:software\\classes"
readonly CLASS_KEY="$USER_CLASSES\\clsid\\${CLASS_ID,,}"
readonly PROG_ID_KEY="$USER_CLASSES\\${PROG_ID,,}"
readonly LIBRARY_KEY="$USER_CLASSES\\typelib\\${LIBRARY_ID,,}"
readonly INTERFACE_KEY="$USER_CLASSES\\interface\\${INTERFACE_ID,,}"
readonly ADDIN_KEY="user:software\\microsoft\\office\\frontpage\\addins\\${PROG_ID,,}"
readonly UNINSTALL_KEY="user:software\\microsoft\\windows\\currentversion\\uninstall\\\
kestrovafrontpageaddin"
# The same keys of an installation for all users.
readonly MACHINE_CLASSES="system:software\\classes"
readonly MACHINE_CLASS_KEY="$MACHINE_CLASSES\\clsid\\${CLASS_ID,,}"
readonly MACHINE_LIBRARY_KEY="$MACHINE_CLASSES\\typelib\\${LIBRARY_ID,,}"
readonly MACHINE_ADDIN_KEY="system:${ADDIN_KEY#user:}"
readonly MACHINE_UNINSTALL_KEY="system:${UNINSTALL_KEY#user:}"

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

# Runs a Windows command line as cmd.exe runs it, so that arguments such as NSIS's "/D=" and "_?="
# reach the program unquoted even with spaces in them. Returns the program's exit code.
run_command_line() {
  timeout 300 wine cmd /c "$1" > /dev/null 2>&1
}

# The Windows path of a file in the work folder.
windows_path() {
  printf 'Z:%s' "${1//\//\\}"
}

# The Unix path of a Windows path on drive C of the prefix.
unix_path() {
  local rest="${1:3}"
  printf '%s/drive_c/%s' "$WINEPREFIX" "${rest//\\//}"
}

# The value of snapshot_value without its quotes and escapes, for strings.
string_value() {
  local data
  data="$(snapshot_value "$@")"
  data="${data#\"}"
  data="${data%\"}"
  data="${data//\\\\/\\}"
  printf '%s' "${data//\\\"/\"}"
}

# True when value "$3" of key "$2" in snapshot "$1" is "$4" (see snapshot_value); says what it is
# when not.
check_value() {
  local snapshot="$1" key="$2" name="$3" expected="$4"
  local actual
  actual="$(snapshot_value "$snapshot" "$key" "$name")"
  [ "$actual" = "$expected" ] && return 0
  echo "  $key $name: expected $expected, found ${actual:-nothing}"
  return 1
}

# Compares snapshots "$1" and "$2"; prints the differences when there are any.
same_state() {
  local differences
  if differences="$(snapshot_differences "$1" "$2")"; then
    return 0
  fi
  echo "  differences between $1 and $2:"
  head -n 40 <<< "$differences" | sed 's/^/    /'
  return 1
}

# True when the temporary folders of "$2" hold nothing new since "$1" but the uninstaller's copy
# of itself (~nsuN.tmp\Un*.exe, deleted at the next restart), and the deletions scheduled for the
# next restart are all in the temporary folders.
only_uninstaller_copy_left() {
  local stray pending
  stray="$(new_temp_entries "$1" "$2" | grep -v -E '/~nsu[^/]*\.tmp(/[^/]+\.exe)?$')"
  pending="$(pending_deletions_outside_temp "$2")"
  [ -z "$stray" ] && [ -z "$pending" ] && return 0
  [ -n "$stray" ] && echo "  left in the temporary folders: $stray"
  [ -n "$pending" ] && echo "  to delete at the next restart: $pending"
  return 1
}

# Runs the silent uninstall that the uninstall entry of snapshot "$1" names ("program" /S), and
# waits for the uninstaller's copy of itself to finish. "$2" is the entry's key, the current
# user's when not given.
run_quiet_uninstall() {
  local command
  command="$(string_value "$1" "${2:-$UNINSTALL_KEY}" QuietUninstallString)"
  if ! [[ "$command" =~ ^\"([^\"]+)\"\ (.*)$ ]]; then
    echo "  no silent uninstall in the uninstall entry: $command"
    return 1
  fi
  # Word splitting of the arguments is intended: they are plain switches.
  # shellcheck disable=SC2086
  timeout 300 wine "${BASH_REMATCH[1]}" ${BASH_REMATCH[2]} > /dev/null 2>&1 || return 1
  wait_for_wine
}

# The keys that the DLL's registration owns below a classes key, as an extended regular expression
# of snapshot key paths.
own_class_keys='clsid\\\{a57f6d09-5dba-11d6-bf4c-0050ba4d812e\}'
own_class_keys+='|interface\\\{a57f6d08-5dba-11d6-bf4c-0050ba4d812e\}'
own_class_keys+='|typelib\\\{a57f6d07-5dba-11d6-bf4c-0050ba4d812e\}'
own_class_keys+='|kestrovafrontpageaddin\.fpkestrova'
readonly OWN_CLASS_KEYS="($own_class_keys)"
# The add-in entry and the keys above it, below HKCU\Software\Microsoft.
readonly ADDIN_KEYS='office(\\frontpage(\\addins(\\kestrovafrontpageaddin\.fpkestrova)?)?)?'
# The uninstall entry and the key above it, below HKCU\Software\Microsoft.
readonly UNINSTALL_KEYS='windows\\currentversion\\uninstall(\\kestrovafrontpageaddin)?'

# Lines of the changes from snapshot "$1" to "$2" that fall outside what an installation may add:
# its classes, its add-in entry, its uninstall entry and the keys above them, in registry scope
# "$5" (user when not given, system for all users); the folders that "$3" matches (an extended
# regular expression of paths below the prefix) and in the installation folder "$4" (a path below
# the prefix) its two files.
# shellcheck disable=SC1003 # patterns end in escaped backslashes, not in quotes.
changes_outside_the_installation() {
  local folders="$3" install_folder="$4" scope="${5:-user}"
  snapshot_differences "$1" "$2" | grep -v -E -i \
    -e '^\+ [KV] '"$scope"':software\\classes(\\(clsid|interface|typelib))?$' \
    -e '^\+ [KV] '"$scope"':software\\classes\\'"$OWN_CLASS_KEYS"'([\\|].*)?$' \
    -e '^\+ [KV] '"$scope"':software\\microsoft\\'"$ADDIN_KEYS"'([|].*)?$' \
    -e '^\+ [KV] '"$scope"':software\\microsoft\\'"$UNINSTALL_KEYS"'([|].*)?$' \
    -e "^\\+ d (${folders})\$" \
    -e "^\\+ (f|[0-9a-f]{32} ) ${install_folder}/(FPKestrova\\.dll|uninstall\\.exe)\$"
  return 0
}

# The lines of registry snapshot "$1" below the keys that the DLL's registration owns (class,
# ProgID, type library, interface) in scope "$2" (user or system), with the scope and the classes
# key taken off, so that per-user and machine-wide registrations compare.
registration_lines() {
  local classes="$2:software\\classes\\"
  grep -F -e "K $classes" -e "V $classes" "$work/$1.reg" \
    | sed "s/^\\([KV]\\) ${classes//\\/\\\\}/\\1 /" \
    | grep -E -i -e '^[KV] '"$OWN_CLASS_KEYS"'([\\|].*)?$'
}

echo "==== preparing: snapshots of the prefix as Wine leaves it"
wait_for_wine
# Wine rewrites a few values whenever it starts; two starts with nothing between show which.
timeout 120 wine cmd /c exit > /dev/null 2>&1
snapshot warm
timeout 120 wine cmd /c exit > /dev/null 2>&1
snapshot before
find_restless_keys "$work/warm.reg" "$work/before.reg" "$work/restless.keys"
echo "values left out as Wine's own (they change whenever Wine starts):"
sed 's/^/  /' "$work/restless.keys"
check "Wine by itself changes the values of at most 5 keys" \
  test "$(wc -l < "$work/restless.keys")" -le 5

# registration_lines "$1" "$2" with the installation folder "$3" written as <folder>, so that
# installations in two folders compare.
registration_lines_in() {
  local folder
  folder="$(reg_string "$3")"
  folder="${folder:1:${#folder}-2}"
  registration_lines "$1" "$2" | FOLDER="$folder" awk '
    BEGIN { folder = ENVIRON["FOLDER"] }
    {
      line = $0
      out = ""
      while ((at = index(line, folder)) > 0) {
        out = out substr(line, 1, at - 1) "<folder>"
        line = substr(line, at + length(folder))
      }
      print out line
    }'
}

echo "==== one silent install"
check "the silent install exits with 0" run_command_line "$(windows_path "$setup") /S"
snapshot installed

local_app_data="$(string_value installed \
  'user:software\microsoft\windows\currentversion\explorer\shell folders' 'Local AppData')"
install_dir="$(string_value installed "$UNINSTALL_KEY" InstallLocation)"
installed_dll="$install_dir\\FPKestrova.dll"
install_unix="$(unix_path "$install_dir")"
if [ -z "$install_dir" ] || [ ! -d "$install_unix" ]; then
  # Everything below works on the installation.
  check "the uninstall entry names the installation folder (${install_dir:-none})" false
  echo "installer-checks: $passed passed, $failed failed"
  exit 1
fi
echo "installed into $install_dir"
check "the installation folder is a folder of its own below the user's programs" \
  test "$install_dir" = "$local_app_data\\Programs\\Kestrova FrontPage Add-In"
check "the folder holds FPKestrova.dll and uninstall.exe, nothing else" \
  test "$(find "$install_unix" -mindepth 1 -printf '%P\n' | sort | tr '\n' ' ')" \
  = "FPKestrova.dll uninstall.exe "
check "the installed FPKestrova.dll is the one built" \
  cmp -s "$install_unix/FPKestrova.dll" "$work/built.dll"

# Class, ProgID and type library, as the DLL's own registration writes them, for the current user.
check "class key: the ProgID" check_value installed "$CLASS_KEY" @ "$(reg_string "$PROG_ID")"
check "class key: InprocServer32 is the installed DLL" \
  check_value installed "$CLASS_KEY\\inprocserver32" @ "$(reg_string "$installed_dll")"
check "class key: threading model apartment" \
  check_value installed "$CLASS_KEY\\inprocserver32" ThreadingModel '"Apartment"'
check "class key: ProgID subkey" \
  check_value installed "$CLASS_KEY\\progid" @ "$(reg_string "$PROG_ID")"
check "class key: type library subkey" \
  check_value installed "$CLASS_KEY\\typelib" @ "$(reg_string "$LIBRARY_ID")"
prog_id_key_names_the_class() {
  check_value installed "$PROG_ID_KEY" @ "$(reg_string "$PROG_ID")" &&
    check_value installed "$PROG_ID_KEY\\clsid" @ "$(reg_string "$CLASS_ID")"
}
check "ProgID key: its name and the class" prog_id_key_names_the_class
type_library_is_the_installed_dll() {
  check_value installed "$LIBRARY_KEY\\1.0" @ "$(reg_string "$DESCRIPTION")" &&
    check_value installed "$LIBRARY_KEY\\1.0\\409\\win32" @ "$(reg_string "$installed_dll")"
}
check "type library 1.0: the description and the installed DLL" type_library_is_the_installed_dll
# {00020424-...} is the automation marshaler, which marshals through the type library.
interface_is_marshalled_through_the_library() {
  check_value installed "$INTERFACE_KEY" @ '"_FPKestrova"' &&
    check_value installed "$INTERFACE_KEY\\typelib" @ "$(reg_string "$LIBRARY_ID")" &&
    check_value installed "$INTERFACE_KEY\\proxystubclsid32" @ \
      '"{00020424-0000-0000-C000-000000000046}"'
}
check "interface _FPKestrova: marshalled through the type library" \
  interface_is_marshalled_through_the_library

check "add-in key: FriendlyName" \
  check_value installed "$ADDIN_KEY" FriendlyName '"Kestrova FrontPage Add-In"'
check "add-in key: Description" \
  check_value installed "$ADDIN_KEY" Description "$(reg_string "$DESCRIPTION")"
check "add-in key: LoadBehavior 3" \
  check_value installed "$ADDIN_KEY" LoadBehavior dword:00000003
check "add-in key: CommandLineSafe 0" \
  check_value installed "$ADDIN_KEY" CommandLineSafe dword:00000000

listed_with_name_version_and_publisher() {
  check_value installed "$UNINSTALL_KEY" DisplayName '"Kestrova FrontPage Add-In"' &&
    check_value installed "$UNINSTALL_KEY" DisplayVersion '"0.07"' &&
    check_value installed "$UNINSTALL_KEY" Publisher '"Kestrova Software and Design Ltd."'
}
check "installed programs: name, version 0.07 and publisher" listed_with_name_version_and_publisher
listed_with_its_uninstaller() {
  check_value installed "$UNINSTALL_KEY" UninstallString \
    "$(reg_string "\"$install_dir\\uninstall.exe\"")" &&
    check_value installed "$UNINSTALL_KEY" QuietUninstallString \
      "$(reg_string "\"$install_dir\\uninstall.exe\" /S")"
}
check "installed programs: the uninstaller of the installation, and its silent form" \
  listed_with_its_uninstaller

install_below_prefix="${install_unix#"$WINEPREFIX"/}"
outside="$(changes_outside_the_installation before installed \
  "${install_below_prefix%/*}|$install_below_prefix" "$install_below_prefix")"
check "the install adds nothing elsewhere and removes nothing" test -z "$outside"
[ -n "$outside" ] && head -n 40 <<< "$outside" | sed 's/^/    /'

echo "==== the same entries as the DLL's own registration (regsvr32, machine-wide)"
check "regsvr32 registers the installed DLL" \
  timeout 120 wine regsvr32 /s "$installed_dll" > /dev/null 2>&1
snapshot regsvr32
registration_lines installed user > "$work/per_user.lines"
registration_lines regsvr32 system > "$work/machine_wide.lines"
echo "$(wc -l < "$work/per_user.lines") keys and values per user," \
  "$(wc -l < "$work/machine_wide.lines") machine-wide"
check "the per-user registration has entries" test -s "$work/per_user.lines"
check "the per-user entries are those that DllRegisterServer writes" \
  diff "$work/per_user.lines" "$work/machine_wide.lines"
check "regsvr32 /u removes its registration again" \
  timeout 120 wine regsvr32 /u /s "$installed_dll" > /dev/null 2>&1
snapshot unregsvr32
check "after regsvr32 /u the installation is as it was" same_state installed unregsvr32

echo "==== while FrontPage holds the DLL"
rm -f "$work/ready" "$work/release"
wine "$work/hold_module.exe" "$installed_dll" "$(windows_path "$work/ready")" \
  "$(windows_path "$work/release")" > /dev/null 2>&1 &
holder=$!
for _ in $(seq 1 300); do
  [ -e "$work/ready" ] && break
  kill -0 "$holder" 2> /dev/null || break
  sleep 0.1
done
check "the DLL is held" test -e "$work/ready"
run_command_line "$(windows_path "$setup") /S"
status=$?
check "installing over it fails with exit code 2 (was $status)" test "$status" -eq 2
cp "$install_unix/uninstall.exe" "$work/uninstall.exe"
run_command_line "$(windows_path "$work/uninstall.exe") /S _?=$install_dir"
status=$?
check "uninstalling it fails with exit code 2 (was $status)" test "$status" -eq 2
touch "$work/release"
wait "$holder"
check "the holder lets go" test "$?" -eq 0
snapshot held
check "neither changed anything" same_state installed held

echo "==== silent uninstall"
# The add-in's own key as publishing leaves it, with a web's marks: the uninstaller removes it.
check "the add-in's own key holds a web's marks" timeout 120 wine reg add \
  'HKCU\Software\Kestrova\FrontPage Add-In\Mended heads\0123456789abcdef' \
  /v 'C:\web\index.htm' /d '0123456789abcdef fedcba9876543210' /f
check "the silent uninstall runs" run_quiet_uninstall installed
snapshot uninstalled
check "registry and files are as before the install" same_state before uninstalled
check "only the uninstaller's own temporary copy is left, in the temporary folder" \
  only_uninstaller_copy_left before uninstalled
check "uninstalling again exits with 0" \
  run_command_line "$(windows_path "$work/uninstall.exe") /S _?=$install_dir"
snapshot uninstalled_twice
check "uninstalling again changes nothing" same_state before uninstalled_twice

echo "==== installing twice"
check "the first install exits with 0" run_command_line "$(windows_path "$setup") /S"
snapshot once
check "the second install exits with 0" run_command_line "$(windows_path "$setup") /S"
snapshot twice
check "the second install leaves the machine as the first did" same_state once twice
check "the silent uninstall runs" run_quiet_uninstall twice
snapshot twice_uninstalled
check "registry and files are as before the installs" same_state before twice_uninstalled
check "only the uninstaller's own temporary copy is left" \
  only_uninstaller_copy_left before twice_uninstalled

echo "==== moving to a folder that does not exist yet"
readonly OTHER_DIR='C:\Kestrova Test\Add-Ins\FrontPage'
check "the install exits with 0" run_command_line "$(windows_path "$setup") /S"
check "installing again into another folder (/D=) exits with 0" \
  run_command_line "$(windows_path "$setup") /S /D=$OTHER_DIR"
snapshot moved
check "the class is registered to the DLL in the new folder" \
  check_value moved "$CLASS_KEY\\inprocserver32" @ "$(reg_string "$OTHER_DIR\\FPKestrova.dll")"
check "the new folder holds the installation" test -f "$(unix_path "$OTHER_DIR")/FPKestrova.dll"
check "the earlier folder is gone" test ! -e "$install_unix"
outside="$(changes_outside_the_installation before moved \
  "drive_c/Kestrova Test(/Add-Ins(/FrontPage)?)?" "drive_c/Kestrova Test/Add-Ins/FrontPage")"
check "the moved installation adds nothing elsewhere" test -z "$outside"
[ -n "$outside" ] && head -n 40 <<< "$outside" | sed 's/^/    /'
check "the silent uninstall runs" run_quiet_uninstall moved
snapshot moved_uninstalled
check "registry and files are as before, the created folders gone" \
  same_state before moved_uninstalled

echo "==== uninstalling after the files are gone"
check "the install exits with 0" run_command_line "$(windows_path "$setup") /S"
wait_for_wine
cp "$install_unix/uninstall.exe" "$work/uninstall.exe"
rm -r "${install_unix:?}"
check "the uninstaller exits with 0" \
  run_command_line "$(windows_path "$work/uninstall.exe") /S _?=$install_dir"
snapshot gone_uninstalled
check "registry and files are as before the install" same_state before gone_uninstalled

echo "==== for all users (/ALLUSERS)"
check "the silent install for all users exits with 0" \
  run_command_line "$(windows_path "$setup") /S /ALLUSERS"
snapshot machine
program_files="$(string_value machine 'system:software\microsoft\windows\currentversion' \
  ProgramFilesDir)"
machine_dir="$(string_value machine "$MACHINE_UNINSTALL_KEY" InstallLocation)"
machine_unix="$(unix_path "$machine_dir")"
check "the installation folder is a folder of its own in the programs folder ($machine_dir)" \
  test -n "$program_files" -a "$machine_dir" = "$program_files\\Kestrova FrontPage Add-In"
check "the folder holds the DLL that was built" \
  cmp -s "$machine_unix/FPKestrova.dll" "$work/built.dll"
check "machine's class key: InprocServer32 is the installed DLL" \
  check_value machine "$MACHINE_CLASS_KEY\\inprocserver32" @ \
  "$(reg_string "$machine_dir\\FPKestrova.dll")"
check "machine's type library 1.0: the installed DLL" \
  check_value machine "$MACHINE_LIBRARY_KEY\\1.0\\409\\win32" @ \
  "$(reg_string "$machine_dir\\FPKestrova.dll")"
registration_lines_in installed user "$install_dir" > "$work/per_user_in_folder.lines"
registration_lines_in machine system "$machine_dir" > "$work/machine_in_folder.lines"
same_registration() {
  test -s "$work/machine_in_folder.lines" &&
    diff "$work/per_user_in_folder.lines" "$work/machine_in_folder.lines"
}
check "the machine's entries are those of the per-user install" same_registration
machine_addin_key_is_complete() {
  check_value machine "$MACHINE_ADDIN_KEY" FriendlyName '"Kestrova FrontPage Add-In"' &&
    check_value machine "$MACHINE_ADDIN_KEY" Description "$(reg_string "$DESCRIPTION")" &&
    check_value machine "$MACHINE_ADDIN_KEY" LoadBehavior dword:00000003 &&
    check_value machine "$MACHINE_ADDIN_KEY" CommandLineSafe dword:00000000
}
check "machine's add-in key: name, description, LoadBehavior 3, CommandLineSafe 0" \
  machine_addin_key_is_complete
check "installed programs of the machine: the uninstaller, and its silent form" \
  check_value machine "$MACHINE_UNINSTALL_KEY" QuietUninstallString \
  "$(reg_string "\"$machine_dir\\uninstall.exe\" /S")"
machine_below_prefix="${machine_unix#"$WINEPREFIX"/}"
outside="$(changes_outside_the_installation before machine "$machine_below_prefix" \
  "$machine_below_prefix" system)"
check "the install for all users adds nothing elsewhere, nothing for the user" test -z "$outside"
[ -n "$outside" ] && head -n 40 <<< "$outside" | sed 's/^/    /'
check "the silent uninstall for all users runs" run_quiet_uninstall machine "$MACHINE_UNINSTALL_KEY"
snapshot machine_uninstalled
check "registry and files are as before the install for all users" \
  same_state before machine_uninstalled
check "only the uninstaller's own temporary copy is left" \
  only_uninstaller_copy_left before machine_uninstalled

echo "==== for all users beside an installation for the user"
check "the install for the user exits with 0" run_command_line "$(windows_path "$setup") /S"
snapshot user_only
check "the install for all users exits with 0" \
  run_command_line "$(windows_path "$setup") /S /ALLUSERS"
snapshot both
check "the install for all users leaves the user's installation alone" \
  test -z "$(snapshot_differences user_only both | grep -i -E '^[+-] [KV] user:|^- ')"
check "the uninstall for all users runs" run_quiet_uninstall both "$MACHINE_UNINSTALL_KEY"
snapshot user_again
check "it removes exactly the installation for all users" same_state user_only user_again
check "the uninstall for the user runs" run_quiet_uninstall user_again
snapshot none_again
check "registry and files are as before both installs" same_state before none_again

echo
echo "installer-checks: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
