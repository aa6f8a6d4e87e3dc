#!/usr/bin/env bash
# Builds fpkestrova and shows what the bundled mending files do to the bundled example web.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

install_missing_packages "${LINUX_BUILD_PACKAGES[@]}"
cmake --preset linux -DKESTROVA_BUILD_TESTS=OFF > /dev/null
cmake --build --preset linux -j "$(nproc)" --target fpkestrova > /dev/null
fpkestrova=build/linux/cli/fpkestrova

for entry in index.htm products--index.htm products--widgets.htm; do
  page="examples/web/${entry//--//}"
  echo "================ $page, mended by examples/service/kestrova/$entry"
  "$fpkestrova" preview "$page" "examples/service/kestrova/$entry"
done
