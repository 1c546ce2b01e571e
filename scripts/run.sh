#!/usr/bin/env bash
# Builds qv_make (installing what it needs on Debian) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh run
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target qv_make
exec build/qv_make "$@"
