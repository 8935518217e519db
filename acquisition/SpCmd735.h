#pragma once
// The instrument's command set. Each command is one blocking call on the
// worker thread: a command byte that the instrument echoes, an optional
// little-endian argument that it echoes too, the reply, and mostly a tail
// 0xD0 0xD0 <result>. Result bytes 209 (normal end), 210 (failed) and 211
// (stopped by the stop byte) are returned as they are; every failure is
// negative and leaves a text naming the command, with the code appended, in
// LastErrorText() (UTF-8).
//
// Codes of the handshake: -7 channel not connected, -8 command byte not
// written, -1 no echo (or echo not read), -2 wrong echo. Codes of a tail: -5
// fewer than three bytes, -10 the tail does not start with 0xD0 0xD0.
//
// Codes of our own:
//   kErrNothingWaiting (-9999)  a stream failed and no byte was left waiting
//                               (the usual code, minus the bytes waiting,
//                               would read 0, which is not a failure);
//   kErrBuffer (-9998)          the sample buffer handed in cannot take what
//                               the command delivers; nothing is sent.
//
// Locks: the command lock is held from the command byte until the argument
// has gone out, so the window thread's stop byte never lands between the two.
// The channel takes its own lock inside each read and write, always after the
// command lock. Stream waits use the channel's lock-free waits, so the stop
// byte passes while a motor or a scan runs.
//
// The window thread never waits for either lock: the command lock is also
// held through the echo wait (up to 2000 polls with a silent instrument), and
// the channel lock through every read's polls. SendStop leaves the stop byte
// to whoever holds the lock it finds taken; the command's holder sends it as
// soon as the argument is out (or the command has failed), the channel's at
// its next poll.

#include <atomic>
#include <cstdint>
#include <span>
#include <string>

#include "acquisition/SpTaskBase.h"
#include "link/FTime.h"
#include "link/SpMutex.h"

class TSpComm;

class TSpCmd735 {
public:
    static constexpr int kErrNothingWaiting = -9999;
    static constexpr int kErrBuffer = -9998;

    // Result bytes of the instrument.
    static constexpr int kResultOk = 209;
    static constexpr int kResultFailed = 210;
    static constexpr int kResultStopped = 211;

    // Motor indices as the step callbacks carry them.
    static constexpr int kMotorGrating = 0;
    static constexpr int kMotorSlit = 1;
    static constexpr int kMotorFilter = 2;
    static constexpr int kMotorZero = 4;

    // Longest read of a stream, in bytes; a sample chunk is at most half as
    // many words, so a buffer of kMaxChunkWords never limits the reads.
    static constexpr int kMaxRead = 1024;
    static constexpr int kMaxChunkWords = kMaxRead / 2;

    // `task` receives the progress callbacks; null means none are made.
    TSpCmd735(TSpTaskBase* task, TSpComm& channel);
    TSpCmd735(const TSpCmd735&) = delete;
    TSpCmd735& operator=(const TSpCmd735&) = delete;

    TSpComm& Channel() { return FChannel; }
    TSpTaskBase* Task() const { return FTask; }

    // --- conventions -------------------------------------------------------
    // Sends the command byte and checks its echo. Sets no error text.
    int Handshake(uint8_t code);
    // Reads 0xD0 0xD0 <result>: 0, -5 or -10. Takes no lock.
    int ReadTail(uint8_t& result);
    // Appends the code in decimal to the last error text; returns the code.
    int SetError(int code);
    // Text of the last failure (UTF-8). Belongs to the worker thread.
    std::string LastErrorText() const { return FLastError; }
    // Waits up to `ms` for `bytes` bytes, telling the task once a second
    // (OnWait). 0 when they arrived, -1 when the time ran out.
    int WaitWithDialog(int bytes, int ms);

    // --- connect, query, configure -----------------------------------------
    // 209 with the instrument's status byte (0xE0: present), or -104 / -5.
    int Cmd_Connect(int& status);
    // Result byte with the status word (bit 7: grating on its position
    // sensor), or -10 (handshake), -5 (word not received), a tail code.
    int Cmd_GetLBD(int16_t& status);
    int Seting(uint8_t code, int16_t value);
    int SetSpeedCode(int16_t value) { return Seting(0x61, value); }
    int SetResponseCode(int16_t value) { return Seting(0x63, value); }
    int SetSlitCode(int16_t value) { return Seting(0x66, value); }
    // The stop byte; callable from the window thread while a command runs.
    // Returns at once (209); the byte goes out at once, or as soon as the
    // running command's argument has (see the opening comment).
    int SendStop();

    // --- motors --------------------------------------------------------------
    // A count of 0 sends nothing and returns 209. Steps are reported through
    // OnMotorSteps(motor, multiplier x steps) once per chunk of the stream.
    int RunMotor(uint8_t code, int motor, int multiplier, int count);
    int RecMotorSteps(int motor, int multiplier);
    // Signed steps: forward when at least 0.
    int RunGrating(int steps);
    int RunFilter(int steps);
    int RunSlit(int steps);
    // Direction above 0 is forward; the direction is the multiplier.
    int RunFilterDir(int direction, int count);
    int RunSlitDir(int direction, int count);
    int RunZeroDir(int direction, int count);
    // Runs the grating to its reference position; steps reported positive.
    int Cmd_CReset();

    // --- data ----------------------------------------------------------------
    // Sample streams. Each chunk read is converted into `buffer` from its
    // start and handed to OnScanData before the next read, so the buffer only
    // holds the chunk being delivered; a chunk never has more words than
    // `capacity` (nor kMaxChunkWords). capacity < 1 fails with kErrBuffer.
    // Returns the result byte after the end marker (211 when stopped).
    int Cmd_Scan(int16_t* buffer, int capacity, int32_t points);
    int Cmd_ScanT(int16_t* buffer, int capacity, int32_t seconds);
    // Exactly P x 60 samples stored in order from the start of `buffer`, then
    // the tail. A capacity below P x 60 fails with kErrBuffer.
    int Cmd_AcqWave(int16_t* buffer, int capacity, uint16_t periods);

private:
    void SetText(const char* text) { FLastError = text; }
    int ScanStream(uint8_t code, const char* name, int16_t* buffer, int capacity, int32_t argument);
    // Minus the bytes waiting, never 0.
    static int WaitingCode(int waiting) { return waiting > 0 ? -waiting : kErrNothingWaiting; }
    // Sends a stop byte SendStop left, when the command lock can be had
    // without waiting; run by the command lock's holder as it lets go.
    void FlushStop();
    static void OnLockReleased(void* self) { static_cast<TSpCmd735*>(self)->FlushStop(); }

    FTime FTimer;
    TSpTaskBase* const FTask;
    TSpComm& FChannel;
    TSpHandoffMutex FLock{&TSpCmd735::OnLockReleased, this};
    std::atomic<bool> FStopPending{false};
    std::string FLastError;
};

// Demodulated sums of one data point: `periods` periods of 60 samples, each
// taken as unsigned 16-bit, added or subtracted by its place in the period,
// the total divided by the period count (truncating toward zero).
//   SumA: + 0-5, 36-59;        - 6-35
//   SumB: + 0-3, 19-33, 49-59; - 4-18, 34-48
// Only the first periods x 60 samples count; missing samples count as 0.
// A period count below 1 gives 0.
int32_t SumA(std::span<const int16_t> samples, int periods);
int32_t SumB(std::span<const int16_t> samples, int periods);
