#!/usr/bin/env bash
# Sets up and runs the program: installs what is missing and builds it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
bash scripts/build.sh build
exec build/bin/ZEL_GMouse "$@"
