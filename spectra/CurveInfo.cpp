#include "spectra/CurveInfo.h"

#include <bit>
#include <cstring>

namespace {

class TWriter {
public:
    explicit TWriter(uint8_t* out) : FOut(out) {}
    void Bytes(const char* s, std::size_t n) { std::memcpy(FOut + FPos, s, n); FPos += n; }
    void U32(uint32_t v)
    {
        FOut[FPos++] = static_cast<uint8_t>(v);
        FOut[FPos++] = static_cast<uint8_t>(v >> 8);
        FOut[FPos++] = static_cast<uint8_t>(v >> 16);
        FOut[FPos++] = static_cast<uint8_t>(v >> 24);
    }
    void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    void F32(float v) { U32(std::bit_cast<uint32_t>(v)); }

private:
    uint8_t* FOut;
    std::size_t FPos = 0;
};

class TReader {
public:
    explicit TReader(const uint8_t* in) : FIn(in) {}
    void Bytes(char* s, std::size_t n) { std::memcpy(s, FIn + FPos, n); FPos += n; }
    uint32_t U32()
    {
        const uint32_t v = uint32_t(FIn[FPos]) | uint32_t(FIn[FPos + 1]) << 8 | uint32_t(FIn[FPos + 2]) << 16
                           | uint32_t(FIn[FPos + 3]) << 24;
        FPos += 4;
        return v;
    }
    int32_t I32() { return static_cast<int32_t>(U32()); }
    float F32() { return std::bit_cast<float>(U32()); }

private:
    const uint8_t* FIn;
    std::size_t FPos = 0;
};

// One field list for both directions keeps reader and writer in step.
template <class TIo, class TRec>
void Fields(TIo& io, TRec& r, auto chars, auto i32, auto u32, auto f32)
{
    chars(io, r.Name); chars(io, r.XTitle); chars(io, r.YTitle); chars(io, r.XUnit); chars(io, r.YUnit);
    i32(io, r.PointCount); i32(io, r.Capacity); i32(io, r.Reserved1); i32(io, r.Reserved2);
    f32(io, r.XLimitMin); f32(io, r.XLimitMax); f32(io, r.YLimitMin); f32(io, r.YLimitMax);
    f32(io, r.XViewFrom); f32(io, r.XViewTo); f32(io, r.YViewFrom); f32(io, r.YViewTo);
    f32(io, r.XDataFrom); f32(io, r.XDataTo); f32(io, r.YDataFrom); f32(io, r.YDataTo);
    u32(io, r.Color); u32(io, r.Data);
    i32(io, r.PlotLeft); i32(io, r.PlotRight); i32(io, r.PlotTop); i32(io, r.PlotBottom);
    i32(io, r.FrameLeft); i32(io, r.FrameRight); i32(io, r.FrameTop); i32(io, r.FrameBottom);
    i32(io, r.SplitPixel); f32(io, r.SplitX); i32(io, r.Seg1Count); i32(io, r.Seg2Count);
}

} // namespace

TCurveInfo ZeroCurveInfo()
{
    TCurveInfo info;
    std::memset(&info, 0, sizeof info);
    return info;
}

void SerializeCurveInfo(const TCurveInfo& info, uint8_t* out)
{
    TWriter w(out);
    Fields(w, info,
           [](TWriter& io, const char (&s)[20]) { io.Bytes(s, sizeof s); },
           [](TWriter& io, int32_t v) { io.I32(v); },
           [](TWriter& io, uint32_t v) { io.U32(v); },
           [](TWriter& io, float v) { io.F32(v); });
}

TCurveInfoBytes SerializeCurveInfo(const TCurveInfo& info)
{
    TCurveInfoBytes bytes{};
    SerializeCurveInfo(info, bytes.data());
    return bytes;
}

TCurveInfo DeserializeCurveInfo(const uint8_t* in)
{
    TCurveInfo info = ZeroCurveInfo();
    TReader r(in);
    Fields(r, info,
           [](TReader& io, char (&s)[20]) { io.Bytes(s, sizeof s); },
           [](TReader& io, int32_t& v) { v = io.I32(); },
           [](TReader& io, uint32_t& v) { v = io.U32(); },
           [](TReader& io, float& v) { v = io.F32(); });
    return info;
}

void TerminateCurveInfoStrings(TCurveInfo& info)
{
    info.Name[sizeof info.Name - 1] = '\0';
    info.XTitle[sizeof info.XTitle - 1] = '\0';
    info.YTitle[sizeof info.YTitle - 1] = '\0';
    info.XUnit[sizeof info.XUnit - 1] = '\0';
    info.YUnit[sizeof info.YUnit - 1] = '\0';
}
