#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang in build-fuzz/ and runs
# each for SECONDS (default 60), one after the other, on a copy of its seed
# corpus from tests/data/fuzz/<target>/. Prints one line per target: runs,
# exec/s and whether it found anything; a finding's input and log stay in
# the scratch folder named on its line.
#   bash scripts/fuzz.sh [SECONDS] [TARGET...]
# Exit status 1 when some target found something.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
if ! [[ "${seconds}" =~ ^[0-9]+$ ]] || [[ "${seconds}" -lt 1 ]]; then
    echo "usage: scripts/fuzz.sh [SECONDS] [TARGET...]" >&2
    exit 2
fi

CC=${CC:-clang-14} CXX=${CXX:-clang++-14} cmake -S . -B build-fuzz -G Ninja -DZQ735_FUZZ=ON \
    -DZQ735_BENCHMARKS=OFF -DZQ735_TESTS=OFF >/dev/null

if [[ $# -gt 0 ]]; then
    targets=("$@")
else
    targets=()
    for f in fuzz/*_fuzz.cpp; do
        targets+=("$(basename "${f}" .cpp)")
    done
fi
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]}"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/zq735-fuzz.XXXXXX")
echo "fuzz: ${seconds} s per target; corpora, findings and logs in ${scratch}"
found=0
for t in "${targets[@]}"; do
    bash fuzz/run_target.sh "build-fuzz/fuzz/${t}" "tests/data/fuzz/${t}" "${seconds}" "${scratch}/${t}" || found=1
done
exit "${found}"
