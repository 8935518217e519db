// The command set's replies and streams from a scripted instrument in memory.
//
// Input: [command] [arrival chunk] [argument, 4 bytes LE] [capacity] then the
// instrument's bytes. The command byte picks one call of TSpCmd735; the
// arrival chunk lets the reply come in pieces (0: all there at once).

#include "acquisition/SpCmd735.h"
#include "acquisition/SpTaskBase.h"
#include "fuzz/MemoryPort.h"
#include "link/SpComm.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kHeader = 7;
constexpr int kMaxPeriods = 40;

// Checks what the command set promises its task: a chunk fits the buffer
// handed in and lies inside it.
class TCheckingTask : public TSpTaskBase {
public:
    int OnScanData(const int16_t* samples, int count) override
    {
        if (count < 0 || count > Capacity || count > TSpCmd735::kMaxChunkWords || samples != Buffer)
            std::abort();
        // Reads every sample, so that stray memory shows; unsigned, so that
        // the sum of any samples may wrap.
        unsigned sum = 0;
        for (int i = 0; i < count; ++i)
            sum += static_cast<uint16_t>(samples[i]);
        Sink = Sink + sum;
        return count;
    }
    const int16_t* Buffer = nullptr;
    int Capacity = 0;
    volatile unsigned Sink = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static TSpComm comm;
    static TCheckingTask task;
    static TSpCmd735 cmd(&task, comm);
    if (size < kHeader)
        return 0;
    if (!comm.IsConnected()) {
        // Any name: MemoryPort.cpp opens no device.
        comm.SetFixedDevice("memory");
        if (comm.Open() != 0)
            std::abort();
    }

    int32_t argument;
    std::memcpy(&argument, data + 2, 4);
    const int capacityByte = data[6];
    fuzz::SetReply(data + kHeader, size - kHeader, data[1]);

    std::vector<int16_t> buffer(static_cast<size_t>(kMaxPeriods) * 60);
    task.Buffer = buffer.data();
    int status = 0;
    int16_t word = 0;
    switch (data[0] % 16) {
    case 0: cmd.Cmd_Connect(status); break;
    case 1: cmd.Cmd_GetLBD(word); break;
    case 2: cmd.Seting(0x61, static_cast<int16_t>(argument)); break;
    case 3: cmd.RunGrating(argument); break;
    case 4: cmd.RunFilter(argument); break;
    case 5: cmd.RunSlit(argument); break;
    case 6: cmd.RunFilterDir(argument, capacityByte); break;
    case 7: cmd.RunSlitDir(argument, capacityByte); break;
    case 8: cmd.RunZeroDir(argument, capacityByte); break;
    case 9: cmd.Cmd_CReset(); break;
    case 10:
    case 11: {
        // Capacity 0 (refused) up to a little more than a whole chunk.
        task.Capacity = capacityByte * 3;
        if (data[0] % 16 == 10)
            cmd.Cmd_Scan(buffer.data(), task.Capacity, argument);
        else
            cmd.Cmd_ScanT(buffer.data(), task.Capacity, argument);
        break;
    }
    case 12: {
        const auto periods = static_cast<uint16_t>(static_cast<uint32_t>(argument) % (kMaxPeriods + 1));
        task.Capacity = std::min<int>(capacityByte * 10, static_cast<int>(buffer.size()));
        cmd.Cmd_AcqWave(buffer.data(), task.Capacity, periods);
        break;
    }
    case 13: {
        int16_t s = 0;
        cmd.Cmd_GetLBD(s);
        cmd.SetSpeedCode(static_cast<int16_t>(argument));
        break;
    }
    case 14: cmd.RunMotor(0x40, TSpCmd735::kMotorGrating, 1, argument); break;
    default: cmd.Handshake(static_cast<uint8_t>(argument)); break;
    }
    (void)cmd.LastErrorText();
    return 0;
}
