#!/usr/bin/env bash
# Builds the paper fuzz targets with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) in build-fuzz and runs each for a bounded time.
# Exits non-zero on any crash, hang, leak or sanitizer report, or when a
# target fails to build.
#
#   FUZZ_SECONDS  run time of each target (default: 60 for the reader, 30 for
#                 the round trip, for the GIFT and Moodle XML import and for
#                 the question files: text, CSV, Excel, Word)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${root}/build-fuzz"
reader_seconds="${FUZZ_SECONDS:-60}"
roundtrip_seconds="${FUZZ_SECONDS:-30}"
import_seconds="${FUZZ_SECONDS:-30}"

# clang and its libFuzzer runtime, installed when missing.
"${root}/scripts/install-deps.sh" test

CC=clang CXX=clang++ cmake -S "${root}" -B "${build}" -DQV_FUZZ=ON -DQV_BUILD_TESTS=OFF >/dev/null
cmake --build "${build}" -j2 --target fuzz_paper_reader fuzz_paper_roundtrip fuzz_import \
    fuzz_question_files

export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export LSAN_OPTIONS="suppressions=${root}/tests/lsan.supp:print_suppressions=0"

# run_target NAME SECONDS SEEDS [DICT]: fuzzes from a scratch copy of the seed
# corpus, so that the seed folders only ever hold the seeds written by hand.
run_target() {
    local name="$1" seconds="$2" seeds="$3" dictionary="${4:-}"
    local binary="${build}/fuzz/${name}"
    local corpus="${build}/fuzz-corpus/${name}"
    local artifacts="${build}/fuzz-artifacts/${name}/"
    local log="${build}/fuzz-${name}.log"
    if [[ ! -x "${binary}" ]]; then
        echo "fuzz.sh: ${binary} was not built" >&2
        return 1
    fi
    rm -rf "${corpus}" "${artifacts}"
    mkdir -p "${corpus}" "${artifacts}"
    cp "${seeds}"/* "${corpus}/"

    echo "== ${name}: ${seconds} s"
    local status=0
    local options=()
    [[ -n "${dictionary}" ]] && options+=("-dict=${dictionary}")
    "${binary}" "${corpus}" "${options[@]}" -max_total_time="${seconds}" \
        -timeout=10 -rss_limit_mb=2048 -artifact_prefix="${artifacts}" -print_final_stats=1 \
        >"${log}" 2>&1 || status=$?
    tail -n 15 "${log}"
    # libFuzzer exits non-zero on every finding; a report that slipped past it still fails the run.
    if ((status == 0)) && grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:' "${log}"; then
        status=1
    fi
    if ((status != 0)); then
        echo "fuzz.sh: ${name} failed (exit ${status}); log ${log}, inputs in ${artifacts}" >&2
    fi
    return "${status}"
}

failed=0
paper_seeds="${root}/fuzz/corpus" paper_dict="${root}/fuzz/paper.dict"
run_target fuzz_paper_reader "${reader_seconds}" "${paper_seeds}" "${paper_dict}" || failed=1
run_target fuzz_paper_roundtrip "${roundtrip_seconds}" "${paper_seeds}" "${paper_dict}" || failed=1
run_target fuzz_import "${import_seconds}" "${root}/fuzz/corpus-import" "${root}/fuzz/import.dict" || failed=1
run_target fuzz_question_files "${import_seconds}" "${root}/fuzz/corpus-question-files" \
    "${root}/fuzz/question-files.dict" || failed=1
if ((failed)); then
    echo "fuzz.sh: FAILED" >&2
    exit 1
fi
echo "fuzz.sh: no findings"
