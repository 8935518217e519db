#include "formats/SpectrumCurves.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "acquisition/OfflineDocument.h"
#include "formats/Csv.h"
#include "formats/Jcamp.h"
#include "spectra/DataTable.h"
#include "spectra/SpCurveZQ735.h"
#include "tests/support/GuiApp.h"
#include "text/GbkText.h"

namespace {

const std::string Data = std::string(ZQ735_TEST_DATA) + "/formats/";

std::string Temp(const char* name)
{
    return (std::filesystem::temp_directory_path() / (std::string("zq735-formats-") + name)).string();
}

// .ir -> JCAMP-DX -> .ir keeps the curve's layout, record and values.
TEST(SpectrumCurves, ScanRoundTripsThroughJcamp)
{
    for (const TJcampForm form : {TJcampForm::DifDup, TJcampForm::Affn}) {
        TOfflineDocument a;
        ASSERT_EQ(a.Model().OpenSpectrumFile(Data + "polystyrene.ir", a.Date), 0);
        TSpCurveZQ735* original = a.Graph().CurveAt(0);
        ASSERT_NE(original, nullptr);
        const TSpectrum s = SpectrumOfCurve(*original, *a.Model().ParamsOfSlot(0));
        ASSERT_EQ(s.Parts.size(), 2u);
        TJcampWriteOptions o;
        o.Form = form;
        TSpectrum read;
        std::string error;
        ASSERT_TRUE(ReadJcamp(WriteJcamp(s, o), read, error)) << error;

        TOfflineDocument b;
        ASSERT_TRUE(AddSpectraToModel(b.Model(), {read}, error)) << error;
        const std::string path = Temp("roundtrip.ir");
        ASSERT_EQ(b.Model().SaveSpectrumFile(path, b.Date), 0);
        TOfflineDocument c;
        ASSERT_EQ(c.Model().OpenSpectrumFile(path, c.Date), 0);
        TSpCurveZQ735* back = c.Graph().CurveAt(0);
        ASSERT_NE(back, nullptr);
        const TCurveInfo i0 = original->GetInfo(), i1 = back->GetInfo();
        EXPECT_EQ(i1.PointCount, i0.PointCount);
        EXPECT_EQ(i1.Seg1Count, i0.Seg1Count);
        EXPECT_EQ(i1.Seg2Count, i0.Seg2Count);
        EXPECT_FLOAT_EQ(i1.XDataFrom, i0.XDataFrom);
        EXPECT_FLOAT_EQ(i1.XDataTo, i0.XDataTo);
        EXPECT_EQ(GbkFieldToUtf8(i1.Name), GbkFieldToUtf8(i0.Name));
        const TMeasureParams& p0 = *a.Model().ParamsOfSlot(0);
        const TMeasureParams& p1 = *c.Model().ParamsOfSlot(0);
        EXPECT_EQ(p1.Mode, p0.Mode);
        EXPECT_EQ(p1.Speed, p0.Speed);
        EXPECT_EQ(p1.Response, p0.Response);
        EXPECT_FLOAT_EQ(p1.XStart, p0.XStart);
        EXPECT_FLOAT_EQ(p1.XEnd, p0.XEnd);
        // Transmittance is written as a fraction with eight significant digits:
        // YFACTOR is at most 1e-7 for fractions below 10, half of it 5e-6 %T,
        // plus the rounding to 32 bits (7.6e-6 near 100 %T).
        for (int i = 0; i < i0.PointCount; ++i) {
            ASSERT_NEAR(back->GetData()[i], original->GetData()[i], 1.3e-5) << i;
            ASSERT_FLOAT_EQ(back->XAtIndex(i), original->XAtIndex(i)) << i;
        }
        std::filesystem::remove(path);
    }
}

// A spectrum from elsewhere on a grid that does not meet 2000 cm-1 keeps its
// ends and its bands; one that does is taken point for point.
TEST(SpectrumCurves, ForeignGridsBecomeCurves)
{
    TSpectrum s;
    s.Params.Mode = 1;
    TSpectrumPart p{3999.64, 650.07, {}};
    const size_t n = 1738;  // spacing 1.9283 cm-1
    for (size_t i = 0; i < n; ++i) {
        const double x = p.FirstX + (p.LastX - p.FirstX) * static_cast<double>(i) / (n - 1);
        p.Y.push_back(0.1 + std::exp(-std::pow((x - 1601.0) / 6.0, 2)));
    }
    s.Parts = {p};
    FillRangesFromData(s);
    TOfflineDocument d;
    std::string error;
    std::vector<int> added;
    ASSERT_TRUE(AddSpectraToModel(d.Model(), {s}, error, &added)) << error;
    ASSERT_EQ(added, std::vector<int>{0});
    TSpCurveZQ735* c = d.Graph().CurveAt(0);
    const TCurveInfo info = c->GetInfo();
    EXPECT_FLOAT_EQ(info.XDataFrom, 3999.64f);
    EXPECT_FLOAT_EQ(info.XDataTo, 650.07f);
    EXPECT_EQ(info.PointCount, info.Seg1Count + info.Seg2Count - 1);
    EXPECT_NEAR(static_cast<double>(info.PointCount), static_cast<double>(n), 2.0);
    float v = 0;
    ASSERT_EQ(c->ValueAtX(1601.0f, v), 0);
    EXPECT_NEAR(v, 1.1, 0.02);
    EXPECT_EQ(d.Model().ParamsOfSlot(0)->Mode, 1);
    EXPECT_FLOAT_EQ(d.Model().ParamsOfSlot(0)->XStart, 3999.64f);

    // 1 cm-1 from 4000 to 400 takes 2000 cm-1 as a point.
    TSpectrum u;
    TSpectrumPart q{400, 4000, {}};
    for (int i = 0; i <= 3600; ++i)
        q.Y.push_back(i);
    u.Parts = {q};
    ASSERT_TRUE(AddSpectraToModel(d.Model(), {u}, error)) << error;
    const TCurveInfo ui = d.Graph().CurveAt(1)->GetInfo();
    EXPECT_EQ(ui.Seg1Count, 2001);
    EXPECT_EQ(ui.Seg2Count, 1601);
    EXPECT_EQ(d.Graph().CurveAt(1)->GetData()[0], 3600.0f);  // the rising file now runs from 4000
}

// Files in the manner of other makers' instruments (DIF/DUP with Y-checks and
// decimal abscissas; AFFN in percent, rising, CR LF) give the film's bands
// where they are, on the right scale.
TEST(SpectrumCurves, ReferenceStyleFilesShowTheBandsInPlace)
{
    const float bands[] = {3027, 2923, 1601, 1493, 1452, 757, 698};
    for (const char* file : {"polystyrene_difdup.jdx", "polystyrene_affn_percent.jdx"}) {
        SCOPED_TRACE(file);
        std::vector<TSpectrum> spectra;
        std::string error;
        ASSERT_TRUE(ReadSpectraFile(Data + file, spectra, error)) << error;
        TOfflineDocument d;
        ASSERT_TRUE(AddSpectraToModel(d.Model(), spectra, error)) << error;
        TSpCurveZQ735* c = d.Graph().CurveAt(0);
        const TMeasureParams& p = *d.Model().ParamsOfSlot(0);
        EXPECT_EQ(p.Mode, 0);
        EXPECT_NEAR(p.XStart, 3999.64f, 1e-3);
        EXPECT_NEAR(p.XEnd, 450.25f, 1e-3);
        float v = 0;
        ASSERT_EQ(c->ValueAtX(3500.0f, v), 0);
        EXPECT_NEAR(v, 92.0f, 0.01f);
        for (const float band : bands) {
            // The lowest point within 10 cm-1 of the band.
            float lowest = 1e9f, at = 0;
            for (int i = 0; i < c->GetCount(); ++i) {
                const float x = c->XAtIndex(i);
                if (std::fabs(x - band) <= 10 && c->GetData()[i] < lowest) {
                    lowest = c->GetData()[i];
                    at = x;
                }
            }
            EXPECT_NEAR(at, band, 2.0f) << band;
            EXPECT_LT(lowest, 80.0f) << band;
        }
    }
}

TEST(SpectrumCurves, NothingIsAddedWithoutSlotsForAll)
{
    TOfflineDocument d;
    TSpectrum s;
    s.Parts = {{1000, 900, {1, 2, 3}}};
    std::string error;
    ASSERT_TRUE(AddSpectraToModel(d.Model(), std::vector<TSpectrum>(18, s), error)) << error;
    EXPECT_FALSE(AddSpectraToModel(d.Model(), std::vector<TSpectrum>(3, s), error));
    EXPECT_EQ(d.Graph().CurveCount, 18);
}

TEST(SpectrumCurves, AbscissasNoCurveCanHoldAreRefused)
{
    TOfflineDocument d;
    std::vector<TSpectrum> spectra;
    std::string error;
    // 4000000001 cm-1: read as a number, refused as a curve.
    ASSERT_TRUE(ReadCsvFile(Data + "hostile/huge_abscissa.csv", spectra, error)) << error;
    EXPECT_FALSE(AddSpectraToModel(d.Model(), spectra, error));
    EXPECT_EQ(error, "abscissa out of range");
    EXPECT_EQ(d.Graph().CurveCount, 0);
}

TEST(SpectrumCurves, FileKindsByNameAndContent)
{
    EXPECT_EQ(FileKindOf("a.IR"), TFileKind::SpectrumFile);
    EXPECT_EQ(FileKindOf("a.dx"), TFileKind::Jcamp);
    EXPECT_EQ(FileKindOf("a.JDX"), TFileKind::Jcamp);
    EXPECT_EQ(FileKindOf("a.csv"), TFileKind::Csv);
    const std::string path = Temp("noext");
    std::filesystem::copy_file(Data + "sqz.jdx", path, std::filesystem::copy_options::overwrite_existing);
    EXPECT_EQ(FileKindOf(path), TFileKind::Jcamp);
    std::filesystem::remove(path);
}

// A time drive of 120 points at 1 s, saved and opened again: its export and
// its data table give the times it was measured at; a curve of one point
// keeps its abscissa.
TEST(SpectrumCurves, TimeDrivesAndSinglePointsKeepTheirAbscissas)
{
    TSpectrum drive;
    drive.Params.ScanMode = 2;
    drive.Parts = {{0, 119, std::vector<double>(120, 50.0)}};
    FillRangesFromData(drive);
    TOfflineDocument a;
    std::string error;
    ASSERT_TRUE(AddSpectraToModel(a.Model(), {drive}, error)) << error;
    const std::string path = Temp("drive.ir");
    ASSERT_EQ(a.Model().SaveSpectrumFile(path, a.Date), 0);
    TOfflineDocument b;
    ASSERT_EQ(b.Model().OpenSpectrumFile(path, b.Date), 0);
    std::filesystem::remove(path);
    TSpCurveZQ735* c = b.Graph().CurveAt(0);
    ASSERT_NE(c, nullptr);
    const TMeasureParams& p = *b.Model().ParamsOfSlot(0);
    const TSpectrum out = SpectrumOfCurve(*c, p);
    ASSERT_EQ(out.Parts.size(), 1u);
    EXPECT_DOUBLE_EQ(out.Parts[0].FirstX, 0);
    EXPECT_DOUBLE_EQ(out.Parts[0].LastX, 119);
    std::string csv;
    ASSERT_TRUE(ExportCsvText(b.Model(), -1, csv, error)) << error;
    EXPECT_NE(csv.find("\n40,50\n"), std::string::npos);
    std::string jdx;
    ASSERT_TRUE(ExportJcampText(b.Model(), -1, b.Date, jdx, error)) << error;
    EXPECT_NE(jdx.find("##LASTX=119\n"), std::string::npos) << jdx.substr(0, 900);
    const TDataTableColumns t =
        DataTableColumns(*c, true, p.XStart, p.XEnd, static_cast<int32_t>(p.ScanTime));
    EXPECT_EQ(DataTableRow(t, 41)[1], "40.00");
    EXPECT_EQ(DataTableRow(t, 119)[1], "118.00");
    EXPECT_EQ(DataTableRow(t, 120)[1], "119.00");

    TSpectrum one;
    one.Parts = {{1000, 1000, {42}}};
    FillRangesFromData(one);
    TOfflineDocument d;
    ASSERT_TRUE(AddSpectraToModel(d.Model(), {one}, error)) << error;
    EXPECT_FLOAT_EQ(d.Graph().CurveAt(0)->XAtIndex(0), 1000.0f);
    const TSpectrum back = SpectrumOfCurve(*d.Graph().CurveAt(0), *d.Model().ParamsOfSlot(0));
    ASSERT_EQ(back.PointCount(), 1u);
    EXPECT_DOUBLE_EQ(back.Parts[0].FirstX, 1000);
}

// What is imported can be saved and opened again; what a spectrum file
// cannot hold is refused at the import, with the reason.
TEST(SpectrumCurves, ImportTakesOnlyWhatAFileCanHold)
{
    TSpectrum beam;
    beam.Params.Mode = 2;
    beam.Parts = {{4000, 400, {}}};
    for (int i = 0; i < 1801; ++i)
        beam.Parts[0].Y.push_back(1.5e6 + (i == 900 ? 5e5 : 0));
    FillRangesFromData(beam);
    TOfflineDocument a;
    std::string error;
    ASSERT_TRUE(AddSpectraToModel(a.Model(), {beam}, error)) << error;
    const std::string path = Temp("beam.ir");
    ASSERT_EQ(a.Model().SaveSpectrumFile(path, a.Date), 0);
    TOfflineDocument b;
    ASSERT_EQ(b.Model().OpenSpectrumFile(path, b.Date), 0);
    std::filesystem::remove(path);
    EXPECT_EQ(b.Graph().CurveAt(0)->GetData()[900], 2e6f);

    TSpectrum huge;
    huge.Parts = {{1000, 0.5, std::vector<double>(static_cast<size_t>(kMaxCurvePoints) + 1, 1.0)}};
    EXPECT_FALSE(AddSpectraToModel(b.Model(), {huge}, error));
    EXPECT_NE(error.find(std::to_string(kMaxCurvePoints)), std::string::npos) << error;
    EXPECT_EQ(b.Graph().CurveCount, 1);
}

}  // namespace
