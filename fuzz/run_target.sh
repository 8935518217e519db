#!/usr/bin/env bash
# Runs one fuzz target on a copy of its seed corpus and prints one line:
#   <target> <seconds> s: <runs> runs, <exec/s> exec/s, <finding or "no finding">
# Exit 0 when nothing was found, 1 when the target found something (the input
# is kept, and named, in the scratch folder), 2 on bad arguments.
#   run_target.sh TARGET_EXE SEED_DIR SECONDS [SCRATCH_DIR]
set -uo pipefail
if [[ $# -lt 3 ]]; then
    echo "usage: run_target.sh TARGET_EXE SEED_DIR SECONDS [SCRATCH_DIR]" >&2
    exit 2
fi
exe=$1
seeds=$2
seconds=$3
name=$(basename "${exe}")
own_scratch=0
if [[ $# -ge 4 ]]; then
    scratch=$4
else
    scratch=$(mktemp -d "${TMPDIR:-/tmp}/zq735-fuzz-${name}.XXXXXX")
    own_scratch=1
fi
mkdir -p "${scratch}/corpus" "${scratch}/artifacts"
if [[ -d "${seeds}" ]]; then
    cp -r "${seeds}/." "${scratch}/corpus/"
fi
log="${scratch}/${name}.log"

QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "${exe}" "${scratch}/corpus" \
    -max_total_time="${seconds}" -rss_limit_mb=512 -timeout=2 -malloc_limit_mb=256 \
    -print_final_stats=1 -artifact_prefix="${scratch}/artifacts/" >"${log}" 2>&1
status=$?

runs=$(sed -n 's/^stat::number_of_executed_units: *\([0-9]*\).*/\1/p' "${log}" | tail -n 1)
done_line=$(grep -E '^Done [0-9]+ runs in [0-9]+ second' "${log}" | tail -n 1)
if [[ -z "${runs}" && -n "${done_line}" ]]; then
    runs=$(sed -E 's/^Done ([0-9]+) runs.*/\1/' <<<"${done_line}")
fi
speed=$(sed -n 's/^stat::average_exec_per_sec: *\([0-9]*\).*/\1/p' "${log}" | tail -n 1)
elapsed=$(sed -E -n 's/^Done [0-9]+ runs in ([0-9]+) second.*/\1/p' <<<"${done_line}")
if [[ -z "${speed}" && -n "${runs}" && -n "${elapsed}" && "${elapsed}" -gt 0 ]]; then
    speed=$((runs / elapsed))
fi

artifacts=$(ls -1 "${scratch}/artifacts" 2>/dev/null)
if [[ ${status} -eq 0 && -z "${artifacts}" ]]; then
    finding="no finding"
else
    kind=$(grep -m1 -oE 'ERROR: (AddressSanitizer|LeakSanitizer|UndefinedBehaviorSanitizer|libFuzzer)[^(]*|runtime error: .*|deadly signal' "${log}")
    finding="FOUND: ${kind:-exit status ${status}}; input: ${scratch}/artifacts/${artifacts%%$'\n'*}; log: ${log}"
fi
printf '%-22s %5s s  %12s runs  %8s exec/s  %s\n' "${name}" "${seconds}" "${runs:-?}" "${speed:-?}" "${finding}"
if [[ "${finding}" == "no finding" ]]; then
    # A folder of our own with nothing in it worth keeping goes.
    [[ ${own_scratch} -eq 1 ]] && rm -rf "${scratch}"
    exit 0
fi
exit 1
