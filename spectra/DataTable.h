#pragma once
// The columns of the data table (the window "数据列表", its copy, the
// report's data list and `zq735-cli table`): every stored point of a curve
// with its abscissa, or its time in seconds when the curves are a time drive.

#include <cstdint>
#include <vector>

class TSpCurveZQ735;

struct TDataTableColumns {
    std::vector<float> X;
    std::vector<float> Y;
    bool TimeDrive = false;
};

// A time drive's abscissas are the times 0 … scanTime in scanTime points,
// accumulated in single precision the way the instrument counts them, the
// last one exactly scanTime. `timeDrive` and the three numbers come from the
// parameter record of curve slot 0.
TDataTableColumns DataTableColumns(TSpCurveZQ735& curve, bool timeDrive, float xStart, float xEnd,
                                   int32_t scanTime);
