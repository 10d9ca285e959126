// SPDX-License-Identifier: MIT
#include "OpenRefusal.h"

#include <QString>

#include <windows.h>

namespace OpenRefusal {

PortFault faultOf(Code code, std::int16_t number, const std::string& device)
{
    PortFault fault = PortFault::of(PortFault::Kind::System, number, device);
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        fault.kind = PortFault::Kind::Absent;
        break;
    // Windows gives a COM port to one program at a time, and most drivers answer a second open
    // with "access denied".
    case ERROR_ACCESS_DENIED:
        fault.kind = PortFault::Kind::InUseOrDenied;
        break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
        fault.kind = PortFault::Kind::InUse;
        break;
    case ERROR_GEN_FAILURE:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
    case ERROR_NOT_READY:
        fault.kind = PortFault::Kind::NotConnected;
        break;
    default:
        fault.systemWords = systemWords(code);
    }
    return fault;
}

// Windows' own words (Qt asks FormatMessage), without the closing full stop.
std::string systemWords(Code code)
{
    std::string text = qt_error_string(static_cast<int>(code)).trimmed().toStdString();
    while (!text.empty() && text.back() == '.')
        text.pop_back();
    return text;
}

}  // namespace OpenRefusal
