#include "acquisition/SpCmd735.h"

#include <algorithm>
#include <array>
#include <mutex>

#include "link/SpComm.h"

namespace {

// Poll budgets (1 poll ~ 1 ms). The echo of a command comes at once; a tail
// may follow a motor settling; a sample stream pauses while the grating steps
// between points, and a fixed-length acquisition while the detector settles.
constexpr int kEchoPolls = 2000;
constexpr int kTailPolls = 2500;
constexpr int kStepPolls = 2500;
constexpr int kScanPolls = 5500;
constexpr int kAcqPolls = 6500;
// How long a paused stream is waited for, with the operator watching.
constexpr int kDialogMs = 10000;

constexpr uint8_t kMarker = 0xD0;
constexpr uint8_t kStopByte = 0x01;
constexpr int kPeriodWords = 60;

bool IsResultByte(uint8_t b)
{
    return b >= 0xD1 && b <= 0xD3;
}

int16_t WordAt(const uint8_t* bytes)
{
    return static_cast<int16_t>(bytes[0] | (bytes[1] << 8));
}

}  // namespace

TSpCmd735::TSpCmd735(TSpTaskBase* task, TSpComm& channel) : FTask(task), FChannel(channel) {}

// ---------------------------------------------------------------------------
// Conventions

int TSpCmd735::Handshake(uint8_t code)
{
    std::lock_guard<TSpHandoffMutex> guard(FLock);
    if (FChannel.IsConnected() == 0)
        return -7;
    if (FChannel.WriteByte(code) != 0)
        return -8;
    if (FChannel.WaitAny(kEchoPolls) == 0)
        return -1;
    uint8_t echo = 0;
    if (FChannel.ReadByte(echo) != 0)
        return -1;
    return echo == code ? 0 : -2;
}

int TSpCmd735::ReadTail(uint8_t& result)
{
    if (FChannel.WaitFor(kTailPolls, 3) < 3)
        return -5;
    uint8_t tail[3] = {0, 0, 0};
    for (uint8_t& b : tail)
        FChannel.ReadByte(b);
    if (tail[0] != kMarker || tail[1] != kMarker)
        return -10;
    result = tail[2];
    return 0;
}

int TSpCmd735::SetError(int code)
{
    FLastError += std::to_string(code);
    return code;
}

int TSpCmd735::WaitWithDialog(int bytes, int ms)
{
    if (FTask)
        FTask->OnWait(0, ms / 1000);
    while (ms > 0) {
        if (FChannel.WaitFor(1000, bytes) >= bytes)
            break;
        if (FTask)
            FTask->OnWait(1, -1);
        ms -= 1000;
    }
    if (FTask)
        FTask->OnWait(2, ms);
    return ms <= 0 ? -1 : 0;
}

// ---------------------------------------------------------------------------
// Connect, query, configure

int TSpCmd735::Cmd_Connect(int& status)
{
    status = 0;
    int code = 0;
    {
        std::lock_guard<TSpHandoffMutex> guard(FLock);
        if (Handshake(0x02) != 0) {
            SetText("Cmd_Connect 握手错误");
            code = -104;
        } else {
            uint8_t b = 0;
            if (FChannel.ReadByte(b) != 0) {
                SetText("Cmd_Connect 接收数据错误");
                code = -5;
            } else {
                status = b;
            }
        }
    }
    return code != 0 ? SetError(code) : kResultOk;
}

int TSpCmd735::Cmd_GetLBD(int16_t& status)
{
    int code = 0;
    uint8_t result = 0;
    {
        std::lock_guard<TSpHandoffMutex> guard(FLock);
        int16_t word = 0;
        if (Handshake(0x80) != 0) {
            SetText("Cmd_GetLBD 握手错误");
            code = -10;
        } else if (FChannel.ReadWord(word) != 0) {
            SetText("Cmd_GetLBD接收错误");
            code = -5;
        } else {
            status = word;
            const int tail = ReadTail(result);
            if (tail != 0) {
                SetText("Cmd_GetLBD接收结果错误");
                code = tail;
            }
        }
    }
    return code != 0 ? SetError(code) : result;
}

int TSpCmd735::Seting(uint8_t code, int16_t value)
{
    std::unique_lock<TSpHandoffMutex> guard(FLock);
    const int hs = Handshake(code);
    if (hs != 0) {
        guard.unlock();
        SetText("Seting握手错误");
        return SetError(hs);
    }
    FChannel.WriteWord(value);
    // The instrument stores the value before it echoes it.
    FTimer.DelayMs(10);
    int16_t echo = 0;
    const int rd = FChannel.ReadWord(echo);
    guard.unlock();
    if (rd != 0) {
        SetText("Seting接收反馈错误");
        return SetError(rd);
    }
    if (echo != value) {
        // Without a text of its own the code would be appended to whatever
        // failure was reported before, naming the wrong command.
        SetText("Seting接收反馈不相等");
        return SetError(-5);
    }
    uint8_t result = 0;
    const int tail = ReadTail(result);
    if (tail != 0) {
        SetText("Seting命令尾错误");
        return SetError(tail);
    }
    return result;
}

int TSpCmd735::SendStop()
{
    FStopPending.store(true);
    FlushStop();
    return kResultOk;
}

void TSpCmd735::FlushStop()
{
    if (!FStopPending.load())
        return;
    // Held by the worker, maybe between a command byte and its argument: the
    // holder sends it as it lets go (TSpHandoffMutex says why it always does).
    if (!FLock.TryLockIfFree())
        return;
    if (FStopPending.exchange(false))
        FChannel.PostUrgent(kStopByte);
    FLock.unlock();
}

// ---------------------------------------------------------------------------
// Motors

int TSpCmd735::RunMotor(uint8_t code, int motor, int multiplier, int count)
{
    if (count == 0)
        return kResultOk;
    {
        std::lock_guard<TSpHandoffMutex> guard(FLock);
        const int hs = Handshake(code);
        if (hs != 0) {
            SetText("RunMotor握手错误");
            return hs;
        }
        FChannel.WriteDword(count);
    }
    // Gives the instrument time to take the count before it echoes it.
    FTimer.DelayMs(15);
    int32_t echo = 0;
    int err = 0;
    if (FChannel.ReadDword(echo) != 0) {
        SetText("RunMotor接收steps错误");
        err = -3;
    } else if (echo != count) {
        SetText("RunMotor接收steps不相等");
        err = -4;
    } else {
        // Failures of the stream carry their own text and code already.
        return RecMotorSteps(motor, multiplier);
    }
    return SetError(err);
}

int TSpCmd735::RecMotorSteps(int motor, int multiplier)
{
    std::array<uint8_t, kMaxRead> bytes;
    bool first = false;   // one 0xD0 seen
    bool second = false;  // two 0xD0 in a row: the next result byte ends the stream
    int error = 0;
    int result = 0;
    bool ended = false;
    while (!ended && error == 0) {
        int n = FChannel.WaitAny(kStepPolls);
        if (n == 0) {
            // A long move can pause the stream (the motor ramps); the operator
            // sees the wait, and the stream goes on as soon as a byte comes.
            if (WaitWithDialog(1, kDialogMs) == 0)
                continue;
            SetText("RecMotorSteps接收错误");
            error = WaitingCode(FChannel.WaitAny(kStepPolls));
            break;
        }
        n = std::min(n, kMaxRead);
        const int rd = FChannel.Read(bytes.data(), n);
        if (rd != 0) {
            // The bytes counted as waiting did not all arrive: the step count
            // of this chunk is unknown.
            SetText("RecMotorSteps接收错误");
            error = rd;
            break;
        }
        int64_t sum = 0;
        for (int i = 0; i < n && !ended && error == 0; ++i) {
            const uint8_t b = bytes[static_cast<size_t>(i)];
            if (b == kMarker) {
                if (first)
                    second = true;
                else
                    first = true;
            } else if (IsResultByte(b)) {
                if (first && second) {
                    result = b;
                    ended = true;
                } else {
                    SetText("RecMotorSteps不期望的命令尾");
                    error = -6;
                }
            } else {
                sum += b;
                first = second = false;
            }
        }
        if (FTask)
            FTask->OnMotorSteps(motor, static_cast<int>(multiplier * sum));
    }
    if (error != 0)
        return SetError(error);
    return result;
}

namespace {

// Two's-complement magnitude, so that the most negative count cannot overflow.
int Magnitude(int steps)
{
    return steps >= 0 ? steps : static_cast<int>(0u - static_cast<unsigned>(steps));
}

}  // namespace

int TSpCmd735::RunGrating(int steps)
{
    return RunMotor(steps >= 0 ? 0x40 : 0x41, kMotorGrating, steps >= 0 ? 1 : -1, Magnitude(steps));
}

int TSpCmd735::RunFilter(int steps)
{
    return RunMotor(steps >= 0 ? 0x44 : 0x45, kMotorFilter, steps >= 0 ? 1 : -1, Magnitude(steps));
}

int TSpCmd735::RunSlit(int steps)
{
    return RunMotor(steps >= 0 ? 0x46 : 0x47, kMotorSlit, steps >= 0 ? 1 : -1, Magnitude(steps));
}

int TSpCmd735::RunFilterDir(int direction, int count)
{
    return RunMotor(direction > 0 ? 0x44 : 0x45, kMotorFilter, direction, count);
}

int TSpCmd735::RunSlitDir(int direction, int count)
{
    return RunMotor(direction > 0 ? 0x46 : 0x47, kMotorSlit, direction, count);
}

int TSpCmd735::RunZeroDir(int direction, int count)
{
    return RunMotor(direction > 0 ? 0x48 : 0x49, kMotorZero, direction, count);
}

int TSpCmd735::Cmd_CReset()
{
    const int hs = Handshake(0x20);
    if (hs != 0) {
        SetText("Cmd_CReset握手错误");
        return SetError(hs);
    }
    return RecMotorSteps(kMotorGrating, 1);
}

// ---------------------------------------------------------------------------
// Data

int TSpCmd735::Cmd_Scan(int16_t* buffer, int capacity, int32_t points)
{
    return ScanStream(0x90, "Cmd_Scan", buffer, capacity, points);
}

int TSpCmd735::Cmd_ScanT(int16_t* buffer, int capacity, int32_t seconds)
{
    return ScanStream(0x95, "Cmd_ScanT", buffer, capacity, seconds);
}

int TSpCmd735::ScanStream(uint8_t code, const char* name, int16_t* buffer, int capacity, int32_t argument)
{
    const std::string cmd(name);
    if (buffer == nullptr || capacity < 1) {
        FLastError = cmd + "缓冲区错误";
        return SetError(kErrBuffer);
    }
    {
        std::unique_lock<TSpHandoffMutex> guard(FLock);
        const int hs = Handshake(code);
        if (hs != 0) {
            guard.unlock();
            FLastError = cmd + "握手错误";
            return SetError(hs);
        }
        FChannel.WriteDword(argument);
    }
    int32_t echo = 0;
    if (FChannel.ReadDword(echo) != 0) {
        FLastError = cmd + "接收错误";
        return SetError(-11);
    }
    if (echo != argument)
        return SetError(-5);

    // Reads take an even number of bytes so that words never split across
    // reads; a chunk is bounded by the longest read and by the caller's buffer.
    const int chunkBytes = capacity >= kMaxChunkWords ? kMaxRead : capacity * 2;
    std::array<uint8_t, kMaxRead> bytes;
    bool ended = false;
    while (!ended) {
        int n = FChannel.WaitFor(kScanPolls, 2);
        if (n == 0) {
            // The grating pauses the stream between segments of a scan.
            if (WaitWithDialog(2, kDialogMs) == 0)
                continue;
            FLastError = cmd + "接收数据过程错误";
            return SetError(-5);
        }
        n = std::min(n, chunkBytes) & ~1;
        if (FChannel.Read(bytes.data(), n) != 0) {
            // Bytes counted as waiting went missing: the word alignment of the
            // rest of the stream can no longer be trusted.
            FLastError = cmd + "接收数据过程错误";
            return SetError(-5);
        }
        int count = 0;
        for (int i = 0; i < n; i += 2) {
            const uint8_t* w = bytes.data() + i;
            if (w[0] == kMarker && w[1] == kMarker) {
                // Anything behind the marker in this chunk is not used; the
                // result byte itself stays in the port because n is even.
                ended = true;
                break;
            }
            buffer[count++] = WordAt(w);
        }
        if (FTask)
            FTask->OnScanData(buffer, count);
    }
    uint8_t result = 0;
    if (FChannel.ReadByte(result) != 0) {
        FLastError = cmd + "接收尾错误";
        return SetError(WaitingCode(FChannel.WaitFor(kScanPolls, 2)));
    }
    return result;
}

int TSpCmd735::Cmd_AcqWave(int16_t* buffer, int capacity, uint16_t periods)
{
    const int total = periods * kPeriodWords;
    if (total > 0 && (buffer == nullptr || capacity < total)) {
        SetText("Cmd_AcqWave缓冲区错误");
        return SetError(kErrBuffer);
    }
    {
        std::unique_lock<TSpHandoffMutex> guard(FLock);
        const int hs = Handshake(0x94);
        if (hs != 0) {
            guard.unlock();
            SetText("Cmd_AcqWave握手错误");
            return SetError(hs);
        }
        FChannel.WriteWord(periods);
    }
    int16_t echo = 0;
    if (FChannel.ReadWord(echo) != 0) {
        SetText("Cmd_AcqWave接收周期错误");
        return SetError(-2);
    }
    if (static_cast<uint16_t>(echo) != periods) {
        SetText("Cmd_AcqWave周期不相等错误");
        return SetError(-3);
    }

    std::array<uint8_t, kMaxRead> bytes;
    int stored = 0;
    while (stored < total) {
        // Waiting for the whole chunk lets the channel sleep through it in a
        // few long waits; asking for one word would wake it for every word.
        const int want = 2 * std::min(total - stored, kMaxChunkWords);
        int n = FChannel.WaitFor(kAcqPolls, want);
        if (n == 0)
            n = FChannel.WaitFor(0, 2);  // a stalled stream: take what came
        if (n < 2) {
            if (WaitWithDialog(2, kDialogMs) != 0)
                break;
            continue;
        }
        const int words = std::min({n / 2, total - stored, kMaxChunkWords});
        if (FChannel.Read(bytes.data(), words * 2) != 0)
            break;
        for (int i = 0; i < words; ++i)
            buffer[stored + i] = WordAt(bytes.data() + 2 * i);
        stored += words;
    }
    if (stored < total) {
        SetText("Cmd_AcqWave接收的扫描数据个数不相等");
        return SetError(WaitingCode(FChannel.WaitFor(kAcqPolls, 2)));
    }
    uint8_t result = 0;
    const int tail = ReadTail(result);
    if (tail != 0)
        return SetError(tail);
    return result;
}

// ---------------------------------------------------------------------------
// Demodulation

namespace {

// Sign of each place in a period: the detector signal is chopped, so one part
// of the period is added and the other subtracted.
using TSigns = std::array<int8_t, kPeriodWords>;

constexpr TSigns MakeSigns(std::initializer_list<std::pair<int, int>> plus)
{
    TSigns s{};
    for (auto& v : s)
        v = -1;
    for (auto [from, to] : plus)
        for (int i = from; i <= to; ++i)
            s[static_cast<size_t>(i)] = 1;
    return s;
}

constexpr TSigns kSignsA = MakeSigns({{0, 5}, {36, 59}});
constexpr TSigns kSignsB = MakeSigns({{0, 3}, {19, 33}, {49, 59}});

int32_t DemodSum(std::span<const int16_t> samples, int periods, const TSigns& signs)
{
    if (periods < 1)
        return 0;
    const size_t n = std::min(samples.size(), static_cast<size_t>(periods) * kPeriodWords);
    // 64-bit so that no period count can overflow; equal to 32-bit arithmetic
    // wherever that does not.
    int64_t total = 0;
    for (size_t i = 0; i < n; ++i)
        total += signs[i % kPeriodWords] * static_cast<int64_t>(static_cast<uint16_t>(samples[i]));
    return static_cast<int32_t>(total / periods);
}

}  // namespace

int32_t SumA(std::span<const int16_t> samples, int periods)
{
    return DemodSum(samples, periods, kSignsA);
}

int32_t SumB(std::span<const int16_t> samples, int periods)
{
    return DemodSum(samples, periods, kSignsB);
}
