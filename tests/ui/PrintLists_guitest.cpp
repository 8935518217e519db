// The peak table and the data table of the main window hand their print
// options and their lists to the print window.

#include <QCheckBox>

#include "MainWindowFixture.h"
#include "spectra/DataTable.h"
#include "ui/FormDataTable.h"
#include "ui/FormPrntSetting.h"
#include "ui/XiShouFeng.h"

namespace {

class PrintLists : public MainWindowFixture {};

TEST_F(PrintLists, TicksInTheTablesReachThePrintWindowWithTheirRows)
{
    TForm1Options options;
    options.StartWorker = false;
    OpenWindow(options);
    TXiShouFeng& peaks = Form->XiShouFeng();
    TFormDataTable& data = Form->FormDataTable();
    TFormPrntSetting& print = Form->FormPrntSetting();

    const float px[2] = {3025.4f, 2850.0f}, py[2] = {12.34f, 8.0f};
    const float vx[1] = {1601.0f}, vy[1] = {30.9f};
    peaks.Fill(px, py, vx, vy, 2, 1);
    peaks.show();
    Child<QCheckBox>(&peaks, "cbPrintFJ")->click();
    EXPECT_TRUE(Child<QCheckBox>(&print, "CBPrnFJ")->isChecked());
    EXPECT_FALSE(Child<QCheckBox>(&print, "CBPrnFG")->isChecked());
    ASSERT_EQ(print.Lists().Peaks.size(), 3u);  // header and two rows
    EXPECT_EQ(print.Lists().Peaks[1][1], "3025.400");
    ASSERT_EQ(print.Lists().Valleys.size(), 2u);
    EXPECT_EQ(print.Lists().Valleys[1][1], "1601.000");

    TDataTableColumns columns;
    columns.X = {4000.0f, 3998.0f, 3996.0f};
    columns.Y = {90.0f, 91.5f, 92.0f};
    data.Fill(columns);
    data.show();
    Child<QCheckBox>(&data, "cbPrintData")->click();
    EXPECT_TRUE(Child<QCheckBox>(&print, "CBPrnData")->isChecked());
    EXPECT_EQ(print.Lists().Data.size(), 4u);
    EXPECT_EQ(print.Lists().DataInterval, data.Interval());

    // Closing the tables takes the options back.
    peaks.close();
    data.close();
    EXPECT_FALSE(Child<QCheckBox>(&print, "CBPrnFJ")->isChecked());
    EXPECT_FALSE(Child<QCheckBox>(&print, "CBPrnData")->isChecked());
}

}  // namespace
