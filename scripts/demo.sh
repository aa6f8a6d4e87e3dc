#!/usr/bin/env bash
# Builds fpkestrova and runs the whole job on the bundled example: a copy of the example web is
# published against the example service folder served from 127.0.0.1, and every page's head is
# shown before and after.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

install_missing_packages "${LINUX_BUILD_PACKAGES[@]}"
cmake --preset linux -DKESTROVA_BUILD_TESTS=OFF > /dev/null
cmake --build --preset linux -j "$(nproc)" --target fpkestrova > /dev/null
build/linux/cli/fpkestrova demo --examples examples
