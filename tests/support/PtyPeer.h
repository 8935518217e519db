#pragma once
// The instrument side of a pseudo-terminal, driven by a test: whatever the
// program writes to DevicePath() is read here, and bytes sent here arrive at
// the program exactly as from a USB-serial adapter.

#include <cstdint>
#include <string>
#include <vector>

class TPtyPeer {
public:
    TPtyPeer();
    ~TPtyPeer();
    TPtyPeer(const TPtyPeer&) = delete;
    TPtyPeer& operator=(const TPtyPeer&) = delete;

    const std::string& DevicePath() const { return FPath; }
    int MasterFd() const { return FMaster; }

    void Send(const std::vector<uint8_t>& bytes);
    // Up to n bytes the program sent, waiting at most timeoutMs for them all
    // (stretched by the test run's time scale).
    std::vector<uint8_t> Receive(size_t n, int timeoutMs);

private:
    int FMaster = -1;
    int FSlaveKeep = -1;  // keeps the pair alive while the program closes and reopens
    std::string FPath;
};
