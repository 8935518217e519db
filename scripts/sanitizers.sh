#!/usr/bin/env bash
# The sanitized test runs of CI, each in a build folder of its own:
#   build-asan  AddressSanitizer + UndefinedBehaviorSanitizer, every test;
#   build-tsan  ThreadSanitizer, the link, acquisition and simulator tests
#               (the two threads of the program meet there: the stop byte
#               and its wake-up cross from the window's thread to the
#               worker's; the rest is single-threaded and would only cost
#               time).
# Benchmarks are not built. Each stage prints its wall time.
set -euo pipefail
cd "$(dirname "$0")/.."

# -O1 with line tables only: the sanitizers' reports still name file and
# line, and the two extra builds cost CI minutes less than at -O2 -g.
SANITIZED_FLAGS=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG")

stage() {
    local name=$1
    shift
    local t0=$SECONDS
    "$@"
    echo "sanitizers: ${name} took $((SECONDS - t0)) s"
}

asan() {
    BUILD_DIR=build-asan bash scripts/build.sh -DZQ735_ASAN=ON -DZQ735_TSAN=OFF -DZQ735_BENCHMARKS=OFF "${SANITIZED_FLAGS[@]}"
    (cd build-asan && ctest --output-on-failure -j "$(nproc)")
}

TSAN_TARGETS=(link_unit_tests link_integration_tests acquisition_unit_tests acquisition_integration_tests sim_unit_tests sim_integration_tests)

tsan() {
    cmake -S . -B build-tsan -G Ninja -DZQ735_TSAN=ON -DZQ735_ASAN=OFF -DZQ735_BENCHMARKS=OFF "${SANITIZED_FLAGS[@]}" >/dev/null
    # zq735-sim too: the simulator's program tests run it.
    cmake --build build-tsan -j "$(nproc)" --target "${TSAN_TARGETS[@]}" zq735-sim
    # The executables are run as they are: ctest would also list the suites
    # of the folders not built here. The Cli suites run the zq735-cli program
    # (the same engine, in a process of its own), which would need the whole
    # window library built as well; the AddressSanitizer stage runs it.
    local failed=0
    for t in "${TSAN_TARGETS[@]}"; do
        echo "== ${t} (ThreadSanitizer)"
        TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}" QT_QPA_PLATFORM=offscreen \
            "build-tsan/tests/${t}" --gtest_brief=1 --gtest_filter='-Cli*' || failed=1
    done
    return "${failed}"
}

case "${1:-all}" in
    asan) stage asan asan ;;
    tsan) stage tsan tsan ;;
    all)
        stage asan asan
        stage tsan tsan
        ;;
    *)
        echo "usage: scripts/sanitizers.sh [asan|tsan|all]" >&2
        exit 2
        ;;
esac
