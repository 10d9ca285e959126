// SPDX-License-Identifier: MIT
#include "OpenRefusal.h"

#include "PortOffer.h"
#include "PortProblem.h"
#include "PortScan.h"

#include <QString>

#include <windows.h>

namespace OpenRefusal {
namespace {

// Windows' own words for an error (Qt asks FormatMessage), without the closing full stop.
std::string systemText(unsigned long error)
{
    std::string text = qt_error_string(static_cast<int>(error)).trimmed().toStdString();
    while (!text.empty() && text.back() == '.')
        text.pop_back();
    return text;
}

}  // namespace

std::string refused(std::int16_t, const std::string& name, unsigned long error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return "There is no " + name + " on this computer. " + PortOffer::presentNow(PortScan::present());
    // Windows gives a COM port to one program at a time, and most drivers answer a second open
    // with "access denied".
    case ERROR_ACCESS_DENIED:
        return name + " is in use by another program, or Windows denies access to it.";
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
        return name + " is in use by another program.";
    case ERROR_GEN_FAILURE:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
    case ERROR_NOT_READY:
        return name + " is not connected (unplugged?).";
    default:
        return PortProblem::systemError(name, systemText(error));
    }
}

std::string notSerial(const std::string& name, unsigned long error)
{
    return name + " is not a serial port (" + systemText(error) + ").";
}

}  // namespace OpenRefusal
