#!/usr/bin/env bash
# Mutation testing: plants one small fault at a time in paper/, pages/, window/
# and platform/, rebuilds incrementally in build-mutation and runs the fast
# test suite (no sanitizers, no fuzzing) against each. Prints killed, survived
# and the score per folder, and the survivors. Not part of CI: a sample of 60
# takes about a quarter of an hour on two cores.
#   scripts/mutation.sh [--sample N] [--seed S] [--list]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
command -v python3 >/dev/null || { echo "mutation.sh: needs python3" >&2; exit 1; }
exec python3 scripts/mutation.py "$@"
