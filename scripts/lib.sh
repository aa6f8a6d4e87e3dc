# Shared helpers for the project's scripts: installing what is missing, and the build presets.

# Installs the Debian packages among "$@" that are not installed yet.
install_missing_packages() {
  local missing=()
  local package
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done
  if [ "${#missing[@]}" -eq 0 ]; then
    return 0
  fi
  echo "Installing: ${missing[*]}"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
  fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# What the native build needs.
LINUX_BUILD_PACKAGES=(
  cmake make g++ pkg-config ca-certificates
  libgumbo-dev libcurl4-openssl-dev libssl-dev libcpp-httplib-dev
)

# What the tests, the fuzz run, the format check and the benchmarks need on top.
LINUX_TEST_PACKAGES=(
  libgtest-dev libgmock-dev libbenchmark-dev
  clang clang-format libclang-rt-14-dev
  python3.11-doc postgresql-doc-15 qtbase5-doc-html
)

# Builds one CMake preset from the repository root, quietly unless it fails.
build_preset() {
  local preset="$1"
  cmake --preset "$preset" > /dev/null
  cmake --build --preset "$preset" -j "$(nproc)"
}

# What the Windows build and its tests under 32-bit Wine need.
WINDOWS_PACKAGES=(
  cmake make g++ googletest
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-tools nsis
  libwine-dev wine wine32:i386
)

# Installs WINDOWS_PACKAGES and the packages among "$@", adding Debian's i386 architecture first,
# from which 32-bit Wine comes.
install_windows_packages() {
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "Adding the i386 architecture for 32-bit Wine"
    local as_root=""
    if [ "$(id -u)" -ne 0 ]; then
      as_root="sudo"
    fi
    $as_root dpkg --add-architecture i386
    $as_root apt-get update -qq
  fi
  install_missing_packages "${WINDOWS_PACKAGES[@]}" "$@"
}

# Configures the Windows build and builds it: the win32 preset in build/win32, or a build folder
# of one's own named by KESTROVA_WIN32_BUILD_DIR. Arguments starting with -D go to the configure
# step, the others name the targets to build (everything when there are none). Sets
# WIN32_BUILD_DIR; returns non-zero when the build fails.
build_win32() {
  WIN32_BUILD_DIR="${KESTROVA_WIN32_BUILD_DIR:-build/win32}"
  local options=() targets=() argument
  for argument in "$@"; do
    case "$argument" in
      -D*) options+=("$argument") ;;
      *) targets+=(--target "$argument") ;;
    esac
  done
  local configure
  if [ -n "${KESTROVA_WIN32_BUILD_DIR:-}" ]; then
    configure=(cmake -S . -B "$WIN32_BUILD_DIR" --toolchain cmake/toolchain-i686-w64-mingw32.cmake
               -DCMAKE_BUILD_TYPE=Release)
  else
    configure=(cmake --preset win32)
  fi
  "${configure[@]}" "${options[@]}" > /dev/null &&
    cmake --build "$WIN32_BUILD_DIR" -j "$(nproc)" "${targets[@]}"
}

# Makes a fresh 32-bit Wine prefix named after $1 and exports it for every later wine command, so
# that no earlier registration or setting leaks in. When the script ends, however it ends, the
# prefix's Wine server is stopped and the prefix removed, with any paths in WINE_SCRATCH.
WINE_SCRATCH=()
use_fresh_wine_prefix() {
  WINE_PREFIX_DIR="$(mktemp -d "${TMPDIR:-/tmp}/kestrova-$1.XXXXXX")"
  export WINEPREFIX="$WINE_PREFIX_DIR" WINEARCH=win32 WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  trap stop_wine_prefix EXIT
}
stop_wine_prefix() {
  wineserver -k > /dev/null 2>&1 || true
  wineserver -w > /dev/null 2>&1 || true
  rm -rf "$WINE_PREFIX_DIR" "${WINE_SCRATCH[@]}"
}

# Adds the counts of a GoogleTest run whose output is in the file $1 to the caller's passed and
# failed; $2 is the program's exit status and $3 its name. With $4 = "skips-fail", skipped tests
# count as failures (where their reason, a missing display, cannot hold).
add_gtest_counts() {
  local log="$1" status="$2" name="$3" skips="${4:-}"
  local good bad skipped
  good="$(sed -nE 's/^\[  PASSED  \] ([0-9]+) tests?\..*/\1/p' "$log" | tail -n 1)"
  bad="$(sed -nE 's/^\[  FAILED  \] ([0-9]+) tests?, listed below.*/\1/p' "$log" | tail -n 1)"
  skipped="$(sed -nE 's/^\[  SKIPPED \] ([0-9]+) tests?,.*/\1/p' "$log" | tail -n 1)"
  if [ -z "$good" ]; then
    echo "$name printed no result (exit status $status)"
    failed=$((failed + 1))
    return 0
  fi
  passed=$((passed + good))
  failed=$((failed + ${bad:-0}))
  if [ "$status" -ne 0 ] && [ -z "$bad" ]; then
    failed=$((failed + 1))
  fi
  if [ "$skips" = "skips-fail" ]; then
    failed=$((failed + ${skipped:-0}))
  fi
}

# Runs the GoogleTest program $1 under Wine on a virtual X display (Xvfb), in its own folder and
# in the prefix of use_fresh_wine_prefix, and adds its counts; a skipped test is a failure here.
# The DLL $2, when given, is registered in the prefix with regsvr32 first. One xvfb-run covers the
# prefix's preparation, the registration and the tests, so that the Wine server starts inside the
# display. Xvfb has no window manager: Wine draws the title bars itself (Decorated=N), so that they
# show on screenshots.
run_wine_tests_on_display() {
  local program="$1" dll="${2:-}"
  local log status=0
  log="$(mktemp)"
  echo "==== $(basename "$program") under Wine on Xvfb"
  local script='
    wineboot -i > /dev/null 2>&1 || exit 1
    wine reg add "HKCU\Software\Wine\X11 Driver" /v Decorated /d N /f > /dev/null 2>&1
    if [ -n "$KESTROVA_REGISTER_DLL" ] &&
       ! timeout 120 wine regsvr32 /s "$KESTROVA_REGISTER_DLL" > /dev/null 2>&1; then
      echo "regsvr32 could not register $KESTROVA_REGISTER_DLL"
      wineserver -k > /dev/null 2>&1
      exit 1
    fi
    timeout 600 wine "$KESTROVA_TEST_PROGRAM"
    status=$?
    wineserver -k > /dev/null 2>&1
    exit $status'
  local register=""
  if [ -n "$dll" ]; then
    register="Z:$(cd "$(dirname "$dll")" && pwd)/$(basename "$dll")"
    register="${register//\//\\}"
  fi
  (cd "$(dirname "$program")" &&
    KESTROVA_REGISTER_DLL="$register" KESTROVA_TEST_PROGRAM="$(basename "$program")" \
      timeout 900 xvfb-run -a -s "-screen 0 1024x768x24" sh -c "$script") 2>&1 \
    | tr -d '\r' | tee "$log" || status=$?
  add_gtest_counts "$log" "$status" "$(basename "$program")" skips-fail
  rm -f "$log"
}
