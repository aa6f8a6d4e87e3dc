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
