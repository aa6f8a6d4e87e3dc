#!/usr/bin/env bash
# Builds the Debian package of fpkestrova from the linux preset's build (cpack) and checks it: its
# declared dependencies, its files, its man page rendered by man, its bash completion, and
# fpkestrova --version and demo run from the files unpacked with dpkg -x. Installs whatever is
# missing first (as root, on Debian 12). Ends with "package: N passed, M failed" and a non-zero
# exit status on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

counting_as package
install_missing_packages "${LINUX_BUILD_PACKAGES[@]}" "${LINUX_TEST_PACKAGES[@]}"

# Runs the check named $1, the rest of the arguments, and counts it.
check() {
  local what="$1"
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    echo "FAILED: $what"
    failed=$((failed + 1))
  fi
}
# True when the text $1 holds the line or text $2.
holds() { grep -qF -- "$2" <<< "$1"; }

echo "==== building the package"
build_preset linux || give_up "the build failed"
version="$(sed -nE 's/^project\(FPKestrova VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)"
deb="build/linux/fpkestrova_${version}_$(dpkg --print-architecture).deb"
rm -f "$deb"
(cd build/linux && cpack -G DEB > /dev/null) || give_up "cpack failed"
[ -f "$deb" ] || give_up "no $deb"

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

echo "==== what the package declares"
info="$(dpkg-deb -I "$deb")"
echo "$info"
depends="$(dpkg-deb -f "$deb" Depends)"
check "package name" [ "$(dpkg-deb -f "$deb" Package)" = fpkestrova ]
check "version" [ "$(dpkg-deb -f "$deb" Version)" = "$version" ]
for library in libc6 libstdc++6 libcurl4 libcpp-httplib; do
  check "depends on $library" holds "$depends" "$library"
done

echo "==== its files"
contents="$(dpkg-deb -c "$deb")"
for file in ./usr/bin/fpkestrova ./usr/share/man/man1/fpkestrova.1.gz \
    ./usr/share/bash-completion/completions/fpkestrova ./usr/share/doc/fpkestrova/README.md \
    ./usr/share/fpkestrova/web/index.htm ./usr/share/fpkestrova/service/kestrova/inventory.txt; do
  check "holds $file" holds "$contents" " $file"
done
check "nothing outside /usr" [ -z "$(awk '{print $6}' <<< "$contents" | grep -vE '^\./(usr/.*)?$')" ]

echo "==== run from the unpacked files"
dpkg -x "$deb" "$scratch/root"
program="$scratch/root/usr/bin/fpkestrova"
check "--version" [ "$("$program" --version)" = "fpkestrova $version" ]
# A mark in the unpacked example web shows that demo found the package's examples.
sed -i 's|<head>|<head><meta name="unpacked" content="from the package">|' \
  "$scratch/root/usr/share/fpkestrova/web/about.htm"
demo_status=0
demo="$("$program" demo 2>&1)" || demo_status=$?
check "demo succeeds" [ "$demo_status" -eq 0 ]
check "demo publishes" holds "$demo" "Publishing may go on."
check "demo uses the package's examples" holds "$demo" 'content="from the package"'

echo "==== the man page"
man_errors="$scratch/man-errors"
page="$(MANWIDTH=80 man --warnings -l "$scratch/root/usr/share/man/man1/fpkestrova.1.gz" \
  2> "$man_errors")"
check "man renders without warnings" [ ! -s "$man_errors" ]
cat "$man_errors"
for text in "fpkestrova - apply the Kestrova mends" "EXIT STATUS" "--dry-run" "--json" \
    "--on-missing=publish|cancel" "EXAMPLES"; do
  check "man page holds $text" holds "$page" "$text"
done
# Every option of --help is in the man page.
for option in $("$program" --help | grep -oE -- '--[a-z-]+' | sort -u) \
    $("$program" publish --help | grep -oE -- '--[a-z-]+' | sort -u); do
  check "man page documents $option" holds "$page" "$option"
done

echo "==== the bash completion"
complete_words() {
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _fpkestrova
           echo "${COMPREPLY[*]}"' _ "$scratch/root/usr/share/bash-completion/completions/fpkestrova" \
    "$@"
}
check "completes commands" [ "$(complete_words fpkestrova pu)" = publish ]
check "completes publish's options" [ "$(complete_words fpkestrova publish --d)" = \
  "--dry-run --destination" ]
check "completes an option's value" [ "$(complete_words fpkestrova --on-missing = c)" = cancel ]

finish_counting
