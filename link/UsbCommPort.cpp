#include "link/UsbCommPort.h"

#include <cstring>
#include <libserialport.h>

std::vector<std::string> TSystemPortEnumerator::FriendlyNames()
{
    std::vector<std::string> names;
    sp_port** ports = nullptr;
    if (sp_list_ports(&ports) != SP_OK || ports == nullptr)
        return names;
    for (sp_port** p = ports; *p != nullptr; ++p) {
        const char* path = sp_get_port_name(*p);  // e.g. /dev/ttyUSB0
        if (path == nullptr)
            continue;
        std::string kernel = path;
        if (const auto slash = kernel.rfind('/'); slash != std::string::npos)
            kernel = kernel.substr(slash + 1);
        const bool usb = sp_get_port_transport(*p) == SP_TRANSPORT_USB;
        if (usb && kernel.rfind("ttyUSB", 0) == 0) {
            names.push_back("USB Serial Port (" + kernel + ")");
        } else {
            const char* desc = sp_get_port_description(*p);
            names.push_back(std::string(desc != nullptr ? desc : kernel) + " (" + kernel + ")");
        }
    }
    sp_free_port_list(ports);
    return names;
}

TUsbCommPort::TUsbCommPort(std::unique_ptr<TPortEnumerator> enumerator)
    : FEnumerator(enumerator ? std::move(enumerator) : std::make_unique<TSystemPortEnumerator>())
{
}

bool TUsbCommPort::FindUsbSerialPort(char (&name)[NameBufferSize])
{
    for (const std::string& friendly : FEnumerator->FriendlyNames()) {
        if (friendly.find("USB Serial Port") == std::string::npos)
            continue;
        // The kernel name is the text inside the last parentheses.
        const auto open = friendly.rfind('(');
        const auto close = friendly.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close <= open + 1)
            continue;
        const std::string kernel = friendly.substr(open + 1, close - open - 1);
        // A name that would not fit the buffer is not a port we can open by name:
        // skip it rather than truncate it into some other device's name.
        if (kernel.size() >= NameBufferSize || kernel.find('/') != std::string::npos ||
            kernel.find("..") != std::string::npos)
            continue;
        std::memcpy(name, kernel.c_str(), kernel.size() + 1);
        return true;
    }
    return false;
}

bool TUsbCommPort::OpenUsbPort()
{
    if (!FFixedDevice.empty()) {
        SetPortName(FFixedDevice);
        return Open();
    }
    char name[NameBufferSize] = {};
    if (!FindUsbSerialPort(name))
        return false;
    SetPortName(std::string("/dev/") + name);
    return Open();
}
