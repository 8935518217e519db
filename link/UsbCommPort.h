#pragma once
// The serial port of the instrument's USB-serial adapter, found by the
// adapter's friendly name among the ports present.

#include "link/CommPort.h"

#include <memory>
#include <string>
#include <vector>

// Lists the friendly names of the serial ports present, in enumeration
// order. The real one asks libserialport; tests hand in their own list.
class TPortEnumerator {
public:
    virtual ~TPortEnumerator() = default;
    virtual std::vector<std::string> FriendlyNames() = 0;
};

// libserialport listing. A USB port named ttyUSB<n> reads
// "USB Serial Port (ttyUSB<n>)"; any other keeps libserialport's
// description followed by " (<kernel name>)".
class TSystemPortEnumerator : public TPortEnumerator {
public:
    std::vector<std::string> FriendlyNames() override;
};

// Fixed list, for tests and for hand-configured set-ups.
class TListPortEnumerator : public TPortEnumerator {
public:
    explicit TListPortEnumerator(std::vector<std::string> names) : FNames(std::move(names)) {}
    std::vector<std::string> FriendlyNames() override { return FNames; }

private:
    std::vector<std::string> FNames;
};

class TUsbCommPort : public TCommPort {
public:
    // The port's kernel name is built in a buffer of this size, terminator included.
    static constexpr unsigned NameBufferSize = 12;

    explicit TUsbCommPort(std::unique_ptr<TPortEnumerator> enumerator = nullptr);

    // The first port whose friendly name contains "USB Serial Port" wins; its
    // kernel name (inside the last parentheses) is written to `name`. A name
    // that would not fit the buffer is skipped, as is one with no parentheses.
    bool FindUsbSerialPort(char (&name)[NameBufferSize]);
    // Search, set the device path (/dev/<name>), open. Nothing is opened when
    // nothing is found. With a fixed device set, that device is opened instead.
    bool OpenUsbPort();

    // Bypasses the search (the program's --port and --simulate options).
    void SetFixedDevice(const std::string& path) { FFixedDevice = path; }
    const std::string& FixedDevice() const { return FFixedDevice; }

private:
    std::unique_ptr<TPortEnumerator> FEnumerator;
    std::string FFixedDevice;
};
