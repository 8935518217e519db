#pragma once
// One serial device opened raw at 9600 8N1, read and written synchronously
// with the instrument's time-outs (termios + poll on the device path).

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

// The only exception of the system. Code 6: the port name was changed while
// the port was open.
struct ECommError {
    uint8_t Code = 0;
    uint32_t LastError = 0;  // errno when the error was raised
};

// Line settings the port is opened with. Only these four are ours; every
// other terminal setting comes from the driver, then is forced raw.
struct TLineSettings {
    uint32_t BaudRate = 9600;
    uint8_t ByteSize = 8;
    uint8_t Parity = 0;    // none
    uint8_t StopBits = 0;  // one stop bit
};

// Read/write time-outs in milliseconds.
struct TCommTimeouts {
    uint32_t ReadIntervalTimeout = 0;
    uint32_t ReadTotalTimeoutMultiplier = 0;
    uint32_t ReadTotalTimeoutConstant = 0;
    uint32_t WriteTotalTimeoutMultiplier = 0;
    uint32_t WriteTotalTimeoutConstant = 0;
};

class TCommPort {
public:
    TCommPort();
    ~TCommPort();
    TCommPort(const TCommPort&) = delete;
    TCommPort& operator=(const TCommPort&) = delete;

    // Throws ECommError{6} while the port is open.
    void SetPortName(const std::string& name);
    const std::string& PortName() const { return FPortName; }

    bool Open();
    void Close();
    bool IsOpen() const { return FOpen.load(std::memory_order_acquire); }

    // One byte at a time, each drained; stops silently at the first failure.
    void Write(const uint8_t* bytes, unsigned count);
    // One read of `count` bytes under the port's time-outs. When fewer arrive,
    // a 0 byte is stored right behind them. Returns the bytes read (0 on failure).
    int Read(uint8_t* buffer, unsigned count);
    bool PurgeInput();
    bool Flush();
    // Bytes received and not yet read; 0 when the query fails.
    int BytesWaiting();

    // Waits on the device for up to `us` microseconds or until input arrives
    // (or the peer hangs up), or `wakeFd` becomes readable. Used by the
    // channel's waits instead of spinning.
    void WaitInput(long us, int wakeFd = -1);
    // Sleeps until `until`, or less when `wakeFd` becomes readable.
    static void SleepUntil(std::chrono::steady_clock::time_point until, int wakeFd = -1);
    // The clock the two waits above are measured on. The channel's waits ask
    // it rather than the system clock, so that a port that answers from
    // memory can let time pass as fast as its waits are made.
    static std::chrono::steady_clock::time_point Now();

    const TCommTimeouts& Timeouts() const { return FTimeouts; }
    const TLineSettings& LineSettings() const { return FLine; }

protected:
    std::atomic<bool> FOpen{false};
    TCommTimeouts FTimeouts;
    std::string FPortName;
    TLineSettings FLine;
    std::atomic<int> FHandle{-1};
};
