#!/usr/bin/env bash
# Builds Orvane and starts it. Until the desktop window exists this runs the
# command-line checker: pass a name and TLDs, e.g. `scripts/run.sh example .com .io`.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j2
if [[ $# -eq 0 ]]; then
  echo "The desktop window is not built yet; running the command-line checker instead." >&2
  set -- orvane
fi
exec ./build/default/src/cli/orvane-check "$@"
