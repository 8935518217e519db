#!/usr/bin/env bash
# Measures every performance figure of the program and prints one table:
# figure, measured median, goal, met or not. Each figure is run REPEAT times
# (default 3) and the median is quoted; on a shared machine the figures move,
# so look at them as a median, not as a single run.
#
#   scripts/perf-report.sh             builds the measuring programs into build/ first
#   REPEAT=5 scripts/perf-report.sh
#   SKIP_SLOW=1 scripts/perf-report.sh leaves out the scan at real pace (~100 s a run)
#   SLOW_REPEAT=1 scripts/perf-report.sh runs that scan once only
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
REPEAT=${REPEAT:-3}
SLOW_REPEAT=${SLOW_REPEAT:-$REPEAT}
IDLE_SECONDS=${IDLE_SECONDS:-20}
export QT_QPA_PLATFORM=offscreen

cmake -S . -B "$BUILD_DIR" -G Ninja >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)" --target zq735 zq735-sim scan_ratio_bench graph_bench curve_bench \
    processing_bench window_measure >/dev/null
B="$BUILD_DIR/bench"

WORK=$(mktemp -d)
PIDS=()
cleanup() {
    for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$WORK"
}
trap cleanup EXIT

ROWS="$WORK/rows"
: >"$ROWS"
# row FIGURE VALUE UNIT GOAL (a number: the value must not exceed it)
row() { printf '%s\t%s\t%s\t%s\n' "$1" "$2" "$3" "$4" >>"$ROWS"; }

median() { sort -g | awk '{v[NR]=$1} END {if (NR == 0) print "nan"; else if (NR % 2) print v[(NR+1)/2]; else print (v[NR/2]+v[NR/2+1])/2}'; }

# A Google Benchmark run with repetitions; prints "name value" for the
# median of each benchmark, the value in the unit asked for (ms, us) or a
# counter's value.
gbench() { # binary filter field(real_time|counter name) unit [repetitions]
    "$1" --benchmark_filter="$2" --benchmark_repetitions="${5:-$REPEAT}" --benchmark_report_aggregates_only=true \
        --benchmark_format=json 2>/dev/null |
        python3 -c '
import json, sys
field, unit = sys.argv[1], sys.argv[2]
scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
runs = json.load(sys.stdin)["benchmarks"]
# One repetition has no aggregates: its single run is the median.
if any(b.get("aggregate_name") for b in runs):
    runs = [b for b in runs if b.get("aggregate_name") == "median"]
for b in runs:
    if field == "real_time":
        v = b["real_time"] * scale[b["time_unit"]] / scale[unit]
    else:
        v = b[field]
    print(b["run_name"], "%.4g" % v)
' "$3" "$4"
}

echo "measuring (REPEAT=$REPEAT) on $(nproc) cores: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')" >&2

# --- the window program at rest after a reset --------------------------------
# The simulated instrument runs as its own process, so that only the window
# program's processor time is counted.
idle_share() {
    local dir="$WORK/idle-data" log="$WORK/idle.log" simlog="$WORK/sim.out"
    rm -rf "$dir" && mkdir -p "$dir"
    "$BUILD_DIR/app/zq735-sim" >"$simlog" 2>/dev/null &
    local sim=$!
    PIDS+=("$sim")
    for _ in $(seq 50); do [ -s "$simlog" ] && break; sleep 0.1; done
    local dev
    dev=$(head -1 "$simlog")
    ZQ735_DATA_DIR="$dir" "$BUILD_DIR/app/zq735" --port "$dev" --demo-idle 2>"$log" &
    local app=$!
    PIDS+=("$app")
    for _ in $(seq 1200); do grep -q 'zq735: ready' "$log" && break; sleep 0.5; done
    if ! grep -q 'zq735: ready' "$log"; then
        echo "nan"
    else
        local hz t0 t1
        hz=$(getconf CLK_TCK)
        t0=$(awk '{print $14 + $15}' "/proc/$app/stat")
        sleep "$IDLE_SECONDS"
        t1=$(awk '{print $14 + $15}' "/proc/$app/stat")
        awk -v a="$t0" -v b="$t1" -v hz="$hz" -v s="$IDLE_SECONDS" 'BEGIN {printf "%.2f\n", 100 * (b - a) / hz / s}'
    fi
    kill "$app" "$sim" 2>/dev/null || true
    wait "$app" "$sim" 2>/dev/null || true
}
for _ in $(seq "$REPEAT"); do idle_share; done | median >"$WORK/idle"
row "window program idle after a reset, ${IDLE_SECONDS} s (% of one core)" "$(cat "$WORK/idle")" "%" 1

# --- scan wall time over the link's byte time ---------------------------------
if [ -z "${SKIP_SLOW:-}" ]; then
    gbench "$B/scan_ratio_bench" 'BM_ScanRatio/1/' ratio x "$SLOW_REPEAT" >"$WORK/ratio1"
    row "scan wall / link byte time, 200 points, real pace" "$(awk '{print $2}' "$WORK/ratio1")" "" 1.01
fi
gbench "$B/scan_ratio_bench" 'BM_ScanRatio/20/' ratio x >"$WORK/ratio20"
row "scan wall / link byte time, 200 points, x20" "$(awk '{print $2}' "$WORK/ratio20")" "" 1.01

# --- the window during a full scan, and its memory with 20 curves -------------
for _ in $(seq "$REPEAT"); do
    "$B/window_measure" gap 20 2>/dev/null >"$WORK/gap.out" || true
    awk '$1 == "longest_timer_gap_ms" {print $2 >> "'"$WORK/gap"'"}
         $1 == "longest_handler_ms" {print $2 >> "'"$WORK/handler"'"}
         $1 == "reference_timer_gap_ms" {print $2 >> "'"$WORK/reference"'"}
         $1 == "resident_mb" {print $2 >> "'"$WORK/rss"'"}' "$WORK/gap.out"
done
row "longest 5 ms timer gap, full scan at x20 drawing" "$(median <"$WORK/gap")" "ms" 16
# The program's own share of that gap, and what the machine alone gives the
# same timer on an idle thread over the same time (no goal: for reading the
# row above).
row "  longest event handler on the window thread, same scan" "$(median <"$WORK/handler")" "ms" 16
row "  the same timer on an idle thread, same time (machine)" "$(median <"$WORK/reference")" "ms" "-"

gbench "$B/graph_bench" 'BM_GraphFullRepaint/20' real_time ms >"$WORK/repaint"
row "full repaint 20 curves x 2601 points, 1600x900" "$(awk '{print $2}' "$WORK/repaint")" "ms" 3
gbench "$B/curve_bench" 'BM_DrawNewOnePoint' real_time us >"$WORK/point"
row "drawing one new scan point" "$(awk '{print $2}' "$WORK/point")" "us" 20

for _ in $(seq "$REPEAT"); do
    "$B/window_measure" start 2>/dev/null | awk '$1 == "start_to_first_paint_ms" {print $2}'
done | median >"$WORK/start"
row "start to first painted window, offscreen" "$(cat "$WORK/start")" "ms" 300

gbench "$B/processing_bench" 'SpectrumFile' real_time ms >"$WORK/files"
row "open a 20-curve spectrum file" "$(awk '/Open/ {print $2}' "$WORK/files")" "ms" 10
row "save a 20-curve spectrum file" "$(awk '/Save/ {print $2}' "$WORK/files")" "ms" 10

gbench "$B/processing_bench" 'ConvertTA|Smooth|Derivative4|PeakSearch|Arithmetic' real_time ms >"$WORK/proc"
while read -r name value; do
    case "$name" in
        BM_ConvertTA) what="conversion T -> A" ;;
        BM_Smooth) what="smoothing" ;;
        BM_Derivative4) what="4th derivative" ;;
        BM_PeakSearch) what="peak search" ;;
        BM_ArithmeticCurves) what="arithmetic, curve / curve" ;;
        BM_ArithmeticConstant) what="arithmetic, curve x constant" ;;
        *) what="$name" ;;
    esac
    row "$what, 3601 points" "$value" "ms" 0.5
done <"$WORK/proc"

gbench "$B/processing_bench" 'Jcamp' real_time ms >"$WORK/jcamp"
row "JCAMP-DX export, 2601 points" "$(awk '/Export/ {print $2}' "$WORK/jcamp")" "ms" 5
row "JCAMP-DX import, 2601 points" "$(awk '/Import/ {print $2}' "$WORK/jcamp")" "ms" 5

row "resident memory, window program with 20 full curves" "$(median <"$WORK/rss")" "MB" 120

echo
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'); median of $REPEAT runs"
echo
awk -F'\t' 'BEGIN {
        printf "| %-58s | %12s | %10s | %-4s |\n", "figure", "median", "goal", "met"
        printf "|%s|%s|%s|%s|\n", "------------------------------------------------------------", "--------------", "------------", "------"
    }
    {
        if ($4 == "-") {
            printf "| %-58s | %9s %-2s | %10s | %-4s |\n", $1, $2, $3, "-", "-"
            next
        }
        met = ($2 == "nan" || $2 == "") ? "?" : (($2 + 0 <= $4 + 0) ? "yes" : "NO")
        printf "| %-58s | %9s %-2s | <= %4s %-2s | %-4s |\n", $1, $2, $3, $4, $3, met
    }' "$ROWS"
