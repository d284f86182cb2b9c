#!/usr/bin/env bash
# Builds Orvane and runs its whole test suite. Installs missing Debian packages first.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
preset=${ORVANE_PRESET:-ci}
cmake --preset "$preset"
cmake --build --preset "$preset" -j2
ctest --preset "$preset"
