// SPDX-License-Identifier: MIT
#include "OpenRefusal.h"

#include "PortOffer.h"
#include "PortScan.h"

#include <windows.h>

namespace OpenRefusal {
namespace {

// Windows' own words for an error, in the user's language, without the trailing line break.
std::string systemText(unsigned long error)
{
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring wide = length > 0 ? std::wstring(text, length) : L"error " + std::to_wstring(error);
    ::LocalFree(text);
    while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L'.'))
        wide.pop_back();
    std::string utf8(static_cast<std::size_t>(::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(),
                         static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr)), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), utf8.data(),
                          static_cast<int>(utf8.size()), nullptr, nullptr);
    return utf8;
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
        return name + ": " + systemText(error) + ".";
    }
}

std::string notSerial(const std::string& name, unsigned long error)
{
    return name + " is not a serial port (" + systemText(error) + ").";
}

}  // namespace OpenRefusal
