#pragma once
// Serves a TSimInstrument on a pseudo-terminal, so that the program reaches
// the simulated instrument through the very serial code it uses for the real
// one (open the device path, termios, read, write).
//
// One thread serves the line: it reads what the program writes, feeds the
// machine, and writes the machine's answer as it falls due, which paces the
// bytes at Speed x 960 bytes/s. Between bytes it sleeps in poll(2).
//
// The host keeps a descriptor of the slave side open for its whole life, so
// that the program closing and reopening the port never hangs up the line;
// the hangup fault closes everything, for good.
//
// Thread safety: Start, Stop and the destructor belong to the owning thread.
// SetFault may be called from any thread at any time. Instrument() touches
// the machine the serving thread is driving: hold LockInstrument() while
// using it (reading positions, SetPosition, SetSample, ...), or use it after
// Stop(). The lock is held by the serving thread only for the moments it
// feeds or reads the machine, never while it sleeps or writes to the line.

#include "sim/SimInstrument.h"
#include "sim/SimOptions.h"

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

class TSimPtyHost {
public:
    explicit TSimPtyHost(TSimOptions options = {});
    ~TSimPtyHost();
    TSimPtyHost(const TSimPtyHost&) = delete;
    TSimPtyHost& operator=(const TSimPtyHost&) = delete;

    // Checks the options, loads the sample, opens the pseudo-terminal and
    // starts serving. False with a message when any of that fails.
    bool Start(std::string* error = nullptr);
    // Stops serving and closes the line. Safe to call more than once.
    void Stop();
    // The slave side for the program to open, e.g. /dev/pts/7; empty before Start.
    const std::string& DevicePath() const { return FPath; }
    // False before Start, after Stop, and once the hangup fault has closed the line.
    bool Serving() const { return FServing.load(std::memory_order_acquire); }

    // "KIND[:ARG]" or "" to clear; in force from the next command. False (and
    // nothing changes) for a text that names no fault.
    bool SetFault(const std::string& kindArg, std::string* error = nullptr);

    std::unique_lock<std::mutex> LockInstrument() { return std::unique_lock<std::mutex>(FMachineLock); }
    TSimInstrument& Instrument() { return FMachine; }
    const TSimOptions& Options() const { return FOptions; }

    // Reads a sample given as on the command line: "" built-in polystyrene,
    // "empty" nothing in the beam, "quartz:MG" a KBr pellet with MG mg of
    // quartz, else a transmittance file.
    static bool LoadSample(const std::string& source, TSampleSpectrum& out, std::string& error);

    // The operator's hand: baselines are measured with the sample out of the
    // beam, and nobody is there to take it out of a simulated instrument.
    // Thread-safe; takes effect at once.
    void SetSampleInBeam(bool in)
    {
        auto lock = LockInstrument();
        FMachine.SetSample(in ? FSample : TSampleSpectrum{});
    }

private:
    void Serve();
    void AdoptFault();  // with FMachineLock held; lock order: machine, then fault
    void CloseLine();
    TSimTime Now() const;

    TSimOptions FOptions;
    std::mutex FMachineLock;
    TSampleSpectrum FSample;  // the sample of the options, as loaded
    TSimInstrument FMachine;

    std::mutex FFaultLock;
    std::string FPendingFault;  // guarded by FFaultLock
    bool FFaultChanged = false; // guarded by FFaultLock

    int FMaster = -1;
    int FSlaveKeep = -1;
    int FWake = -1;  // eventfd that interrupts the serving thread's sleep
    std::string FPath;
    std::chrono::steady_clock::time_point FOrigin;
    std::atomic<bool> FStopping{false};
    std::atomic<bool> FServing{false};
    std::thread FThread;
};
