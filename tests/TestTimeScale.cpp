// Linked into every test executable: the run's time scale (tests/CMakeLists.txt)
// goes into the environment before any test starts, so that the link, the
// simulated instrument and every program a test starts (zq735-cli, zq735-sim)
// stretch their budgets alike. A ZQ735_TIME_SCALE set by the caller wins.

#include <cstdlib>

namespace {

const bool TimeScaleSet = [] {
    ::setenv("ZQ735_TIME_SCALE", ZQ735_TEST_TIME_SCALE, 0);
    return true;
}();

}  // namespace
