#!/usr/bin/env bash
# Mutation testing: plants one small fault at a time in the .cpp files of
# paper/, exchange/, pages/, window/, platform/, paper_tool/ and tools_window/
# (a condition inverted, a
# result ignored, a step dropped, a bound off by one, a text swapped; the rules
# are in mutation.py), rebuilds incrementally in build-mutation (Ninja) and
# runs the fast test suite (no sanitizers, no fuzzing) against each: first the
# tests that link the mutated file, the rest only when those pass. Prints
# killed, survived, stillborn and the score per folder and per kind, the seed
# and the survivors. CI does not run it: 25 mutants a folder (125) take about
# half an hour on two cores shared with other work.
#   scripts/mutation.sh [--per-folder N] [--seed S] [--folder F ...] [--list]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh mutation
command -v python3 >/dev/null || { echo "mutation.sh: needs python3" >&2; exit 1; }
exec python3 scripts/mutation.py "$@"
