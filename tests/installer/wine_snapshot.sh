# shellcheck shell=bash
# Snapshots of a Wine prefix's registry and file tree, and their comparison; sourced by
# installer_test.sh. Each function works on the prefix in WINEPREFIX and keeps its files in the
# folder that the sourcing script names in "work".
#
# A registry snapshot has one line per key ("K scope:key") and one per value
# ("V scope:key|value as the hive file writes it"), scope being the hive file (system, user,
# userdef), key paths in lower case since the registry ignores case. It is read from the hive files
# once the Wine server has stopped and so written them out; every key appears, including those that
# only hold other keys. A file snapshot has one line per folder and file below drive_c ("d path",
# "f path") and one checksum line per file; the temporary folders are left out and listed apart.

# Waits (at most a minute) for every program in the prefix to end and the Wine server to stop,
# which writes the registry to the hive files.
wait_for_wine() {
  timeout 60 wineserver -w
}

# Writes the registry snapshot of the prefix to "$1".
snapshot_registry() {
  local out="$1"
  local scope
  for scope in system user userdef; do
    awk -v scope="$scope" '
      function emit_value() {
        if (pending != "") print "V " scope ":" key "|" pending
        pending = ""
      }
      # Hex data runs on over lines that end in a backslash.
      continued {
        line = $0
        sub(/^ +/, "", line)
        if (line ~ /\\$/) { sub(/\\$/, "", line); pending = pending line }
        else { pending = pending line; continued = 0; emit_value() }
        next
      }
      /^\[/ {
        emit_value()
        key = $0
        sub(/^\[/, "", key)
        sub(/\]( [0-9]+)?$/, "", key)
        gsub(/\\\\/, "\\", key)
        key = tolower(key)
        count = split(key, parts, "\\")
        path = parts[1]
        print "K " scope ":" path
        for (i = 2; i <= count; i++) {
          path = path "\\" parts[i]
          print "K " scope ":" path
        }
        next
      }
      key == "" || /^#time=/ || /^$/ { next }
      {
        pending = $0
        if (pending ~ /\\$/) { sub(/\\$/, "", pending); continued = 1 } else emit_value()
      }
      END { emit_value() }
    ' "$WINEPREFIX/$scope.reg"
  done | LC_ALL=C sort -u > "$out"
}

# The temporary folders below drive_c, as find patterns relative to the prefix.
TEMP_FOLDERS=(drive_c/users/*/Temp drive_c/users/*/AppData/Local/Temp drive_c/windows/temp)

# Writes the file snapshot of the prefix to "$1" and the contents of its temporary folders to
# "$1.temp".
snapshot_files() {
  local out="$1"
  local prune=()
  local folder
  for folder in "${TEMP_FOLDERS[@]}"; do
    prune+=(-path "$folder" -prune -o)
  done
  (
    cd "$WINEPREFIX" || exit 1
    find drive_c "${prune[@]}" -type d -printf 'd %p\n' -o -type f -printf 'f %p\n' \
      -o -printf 'o %p\n'
    find drive_c "${prune[@]}" -type f -print0 | xargs -0 -r md5sum
  ) | LC_ALL=C sort > "$out"
  local inside=()
  for folder in "${TEMP_FOLDERS[@]}"; do
    inside+=(-path "$folder/*" -o)
  done
  (
    cd "$WINEPREFIX" || exit 1
    find drive_c \( "${inside[@]}" -false \) -printf '%y %p\n'
  ) | LC_ALL=C sort > "$out.temp"
}

# Takes both snapshots of the prefix as "$work/$1.reg" and "$work/$1.files" once Wine has stopped.
# shellcheck disable=SC2154 # work is set by the sourcing script.
snapshot() {
  wait_for_wine
  snapshot_registry "$work/$1.reg"
  snapshot_files "$work/$1.files"
}

# Keys whose values Wine itself rewrites whenever it starts (driver dates and the like): the keys of
# the lines that differ between two registry snapshots "$1" and "$2" taken with nothing but a start
# of Wine in between. Written to "$3", one key per line.
find_restless_keys() {
  LC_ALL=C comm -3 "$1" "$2" | sed -E 's/^\t//; s/^[KV] //; s/\|.*$//' | LC_ALL=C sort -u > "$3"
}

# Keys that Wine fills from the host: it lists the host's fonts there whenever a program starts
# and the host's fonts have changed, as when a package brings fonts while the tests run.
HOST_FONT_KEYS=(
  'system:software\microsoft\windows nt\currentversion\fonts'
  'system:software\microsoft\windows\currentversion\fonts'
  'user:software\wine\fonts\external fonts'
)

# The registry snapshot "$1" without the values of the keys listed in "$work/restless.keys", without
# the keys in HOST_FONT_KEYS and without the list of files to delete at the next restart, which the
# uninstaller's temporary copy of itself adds (checked apart by pending_deletions_outside_temp).
comparable_registry() {
  HOST_KEYS="$(printf '%s\n' "${HOST_FONT_KEYS[@]}")" awk '
    BEGIN { host_count = split(ENVIRON["HOST_KEYS"], host, "\n") }
    FILENAME == ARGV[1] { restless[$0] = 1; next }
    {
      key = substr($0, 3)
      sub(/\|.*$/, "", key)
      for (i = 1; i <= host_count; i++) {
        if (key == host[i] || index(key, host[i] "\\") == 1) next
      }
    }
    /^V / {
      if (key in restless) next
      if (key == "system:system\\currentcontrolset\\control\\session manager" &&
          index($0, "|\"PendingFileRenameOperations\"=") > 0) next
    }
    { print }
  ' "$work/restless.keys" "$1"
}

# Prints how the snapshots named "$1" and "$2" differ ("+ line" added in $2, "- line" gone);
# returns non-zero when they differ.
snapshot_differences() {
  local differences
  differences="$(
    LC_ALL=C diff <(comparable_registry "$work/$1.reg") <(comparable_registry "$work/$2.reg")
    LC_ALL=C diff "$work/$1.files" "$work/$2.files"
  )"
  differences="$(sed -nE 's/^> /+ /p; s/^< /- /p' <<< "$differences")"
  if [ -n "$differences" ]; then
    printf '%s\n' "$differences"
    return 1
  fi
  return 0
}

# Prints the temporary files and folders that snapshot "$2" has and "$1" has not.
new_temp_entries() {
  LC_ALL=C comm -13 "$work/$1.files.temp" "$work/$2.files.temp"
}

# Prints the entries of the pending deletions (PendingFileRenameOperations) in snapshot "$1" that
# lie outside the temporary folders.
# shellcheck disable=SC1003 # the last pattern ends in an escaped backslash, not a quote.
pending_deletions_outside_temp() {
  grep -F '|"PendingFileRenameOperations"=' "$work/$1.reg" \
    | sed -E 's/^[^=]*=str\(7\):"//; s/"$//' \
    | sed -e 's/\\\\/\x01/g' -e 's/\\0/\n/g' -e 's/\x01/\\/g' \
    | grep -v -e '^$' \
    | grep -v -i -E '^\\\?\?\\[A-Z]:\\(users\\[^\\]+\\(Temp|AppData\\Local\\Temp)|windows\\temp)\\'
  return 0
}

# The data of value "$3" ("@" for the default value) of key "$2" (as in the snapshot:
# "user:software\classes\...", lower case) in registry snapshot "$1", as the hive file writes it:
# "text" for strings, dword:0000000a for numbers. Empty when absent.
snapshot_value() {
  local name="$3"
  [ "$name" != "@" ] && name="\"$name\""
  # From the environment: awk -v would take the key's backslashes for escapes.
  VALUE_PREFIX="V $2|$name=" awk '
    BEGIN { prefix = ENVIRON["VALUE_PREFIX"] }
    index($0, prefix) == 1 { print substr($0, length(prefix) + 1) }
  ' "$work/$1.reg"
}

# "$1" as the hive file writes a string: quoted, with backslashes and quotes escaped.
reg_string() {
  local text="$1"
  text="${text//\\/\\\\}"
  text="${text//\"/\\\"}"
  printf '"%s"' "$text"
}
