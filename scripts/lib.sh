# Shared helpers for the project's scripts: installing what is missing, the build presets, the
# counted lines that the test scripts end with, and the one runner of the Windows tests.

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

# What the native build needs (scdoc turns the man page's source into troff).
LINUX_BUILD_PACKAGES=(
  cmake make g++ pkg-config ca-certificates
  libgumbo-dev libcurl4-openssl-dev libssl-dev libcpp-httplib-dev libcli11-dev scdoc
)

# What the tests, the fuzz run, the format check, the package check and the benchmarks need on
# top.
LINUX_TEST_PACKAGES=(
  libgtest-dev libgmock-dev libbenchmark-dev patch dpkg-dev man-db strace
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
               -DCMAKE_BUILD_TYPE=Release -DKESTROVA_WARNINGS_AS_ERRORS=ON)
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
  # A script that runs several times removes the prefix of the run before (its server is
  # stopped already).
  if [ -n "${WINE_PREFIX_DIR:-}" ]; then
    rm -rf "$WINE_PREFIX_DIR"
  fi
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

# The counts of a test script that ends with the line "NAME: N passed, M failed": counting_as
# NAME starts them at zero, give_up counts one failure that ends the script early, with the
# message $1, and finish_counting prints the line and fails when anything failed.
counting_as() {
  COUNTED_NAME="$1"
  passed=0
  failed=0
}
print_counts() { echo "$COUNTED_NAME: $passed passed, $failed failed"; }
give_up() {
  echo "$1"
  failed=$((failed + 1))
  print_counts
  exit 1
}
finish_counting() {
  echo
  print_counts
  [ "$failed" -eq 0 ]
}

# Adds the totals of a ctest run whose output is in the file $1 (its line "N% tests passed, M
# tests failed out of T") to the caller's passed and failed; $2 is ctest's exit status and $3 what
# ran. A run without that line, or one that failed without a failed test, counts one failure.
add_ctest_counts() {
  local log="$1" status="$2" what="$3"
  local line bad total
  line="$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1 ||
    true)"
  if [ -z "$line" ]; then
    echo "$what printed no totals (exit status $status)"
    failed=$((failed + 1))
    return 0
  fi
  bad="$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<< "$line")"
  total="$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<< "$line")"
  passed=$((passed + total - bad))
  failed=$((failed + bad))
  if [ "$status" -ne 0 ] && [ "$bad" -eq 0 ]; then
    failed=$((failed + 1))
  fi
}

# Runs ctest with the arguments "$@" on a build folder, prints its output and adds its totals.
run_ctest() {
  local log status=0
  log="$(mktemp)"
  ctest --output-on-failure --no-tests=error "$@" 2>&1 | tee "$log" || status=$?
  add_ctest_counts "$log" "$status" "ctest $*"
  rm -f "$log"
}

# Runs the tests of the Windows build in WIN32_BUILD_DIR (see build_win32) that the ctest
# arguments select, a label mostly, under 32-bit Wine (the build's test emulator), in a fresh
# prefix named after NAME (see use_fresh_wine_prefix), and adds ctest's totals. Each test may take
# ten minutes.
#   run_wine_ctest NAME [--display] [--register DLL] [--dpi N] [--] CTEST_ARGUMENTS...
# --display runs the whole on a virtual X display (Xvfb), so that the prefix's Wine server starts
# inside it; Xvfb has no window manager, so Wine draws the title bars itself (Decorated=N) and
# they show on screenshots. --register registers DLL in the prefix with regsvr32 before the tests.
# --dpi sets the screen's dots per inch to N (Wine reads LogPixels below HKCU\Control
# Panel\Desktop when a program starts, as Windows does after logging on again; 96 when unset)
# and tells the tests in KESTROVA_EXPECTED_DPI.
run_wine_ctest() {
  local name="$1"
  shift
  local display="" register="" dpi=""
  while [ "$#" -gt 0 ]; do
    case "$1" in
      --display) display=yes; shift ;;
      --dpi) dpi="$2"; shift 2 ;;
      --register) register="$(cd "$(dirname "$2")" && pwd)/$(basename "$2")"; shift 2 ;;
      --) shift; break ;;
      *) break ;;
    esac
  done
  if [ -n "$register" ]; then
    # Wine's drive Z: is the root of the file system.
    register="Z:${register//\//\\}"
  fi
  use_fresh_wine_prefix "$name"
  local steps='
    if ! timeout 300 wineboot -i > /dev/null 2>&1; then
      echo "wineboot failed"
      exit 1
    fi
    if [ -n "$KESTROVA_DISPLAY" ]; then
      wine reg add "HKCU\Software\Wine\X11 Driver" /v Decorated /d N /f > /dev/null 2>&1
    fi
    if [ -n "$KESTROVA_EXPECTED_DPI" ] &&
       ! wine reg add "HKCU\Control Panel\Desktop" /v LogPixels /t REG_DWORD \
           /d "$KESTROVA_EXPECTED_DPI" /f > /dev/null 2>&1; then
      echo "could not set LogPixels to $KESTROVA_EXPECTED_DPI"
      exit 1
    fi
    if [ -n "$KESTROVA_REGISTER_DLL" ] &&
       ! timeout 120 wine regsvr32 /s "$KESTROVA_REGISTER_DLL" > /dev/null 2>&1; then
      echo "regsvr32 could not register $KESTROVA_REGISTER_DLL"
      wineserver -k > /dev/null 2>&1
      exit 1
    fi
    ctest --output-on-failure --no-tests=error --timeout 600 "$@"
    status=$?
    wineserver -k > /dev/null 2>&1
    exit $status'
  # bash -c takes its $0 first: "ctest" below, with the rest of its arguments after it.
  local runner=(bash -c "$steps")
  if [ -n "$display" ]; then
    runner=(xvfb-run -a -s "-screen 0 1024x768x24" "${runner[@]}")
  fi
  echo "==== tests of $WIN32_BUILD_DIR ($*) under Wine${display:+ on Xvfb}${dpi:+ at $dpi DPI}"
  local log status=0
  log="$(mktemp)"
  KESTROVA_DISPLAY="$display" KESTROVA_REGISTER_DLL="$register" KESTROVA_EXPECTED_DPI="$dpi" \
    "${runner[@]}" ctest --test-dir "$WIN32_BUILD_DIR" "$@" 2>&1 | tr -d '\r' | tee "$log" ||
    status=$?
  add_ctest_counts "$log" "$status" "ctest under Wine ($*)"
  rm -f "$log"
}

# Writes the Kestrova folder of a benchmark site below DIR/kestrova: an inventory dated
# 12/7/2026 naming ADDRESS, and FILES mending files page1.htm ... with heads of 2-10 KB.
write_bench_mending_site() {
  local dir="$1" files="$2" address="$3" k name
  mkdir -p "$dir/kestrova"
  {
    echo "12/7/2026 7:20:00 PM"
    echo "$address"
  } > "$dir/kestrova/inventory.txt"
  for k in $(seq 1 "$files"); do
    name="page$k.htm"
    {
      echo "<html><head><title>Page $k</title>"
      echo "<meta name=\"description\" content=\"Page $k\">"
      echo "<meta name=\"keywords\" content=\"page, $k\">"
      head -c $((2048 + (k * 7919) % 8192)) /dev/zero | tr '\0' 'x'
      echo "</head></html>"
    } > "$dir/kestrova/$name"
    echo "$name" >> "$dir/kestrova/inventory.txt"
  done
  echo "inventory.txt" >> "$dir/kestrova/inventory.txt"
}

# For the benchmarks against a server on 127.0.0.1: builds fpkestrova and the latency server of
# the linux-bench preset and makes a work folder named after $1, which goes, with the server,
# however the script ends. Sets program, server and work.
prepare_latency_bench() {
  echo "==== building fpkestrova and the latency server"
  cmake --preset linux-bench > /dev/null
  cmake --build --preset linux-bench -j "$(nproc)" --target fpkestrova latency_server > /dev/null
  # KESTROVA_BENCH_PROGRAM measures another build of fpkestrova (an older one, say).
  program="${KESTROVA_BENCH_PROGRAM:-build/linux-bench/cli/fpkestrova}"
  server=build/linux-bench/bench/latency_server
  work="$(mktemp -d "${TMPDIR:-/tmp}/kestrova-$1.XXXXXX")"
  server_pid=""
  trap stop_latency_bench EXIT
  trap 'exit 130' INT TERM
}

stop_latency_bench() {
  if [ -n "$server_pid" ]; then
    kill "$server_pid" 2> /dev/null || true
    wait "$server_pid" 2> /dev/null || true
  fi
  rm -rf "$work"
}

# Serves folder $1 from the latency server, waiting $2 ms before each answer; sets site.
start_latency_server() {
  "$server" "$1" "$2" > "$work/port" &
  server_pid=$!
  for _ in $(seq 1 100); do
    [ -s "$work/port" ] && break
    sleep 0.05
  done
  site="http://127.0.0.1:$(cat "$work/port")"
}
