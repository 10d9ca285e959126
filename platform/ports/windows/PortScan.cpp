// SPDX-License-Identifier: MIT
#include "PortScan.h"

#include "PortTable.h"

#include <QString>

#include <windows.h>
#include <devguid.h>
#include <setupapi.h>

#include <algorithm>
#include <cwchar>
#include <map>
#include <optional>

namespace PortScan {
namespace {

std::string utf8(const std::wstring& wide) { return QString::fromStdWString(wide).toStdString(); }

std::wstring property(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD which)
{
    wchar_t buffer[512] = {};
    if (!::SetupDiGetDeviceRegistryPropertyW(set, &device, which, nullptr, reinterpret_cast<BYTE*>(buffer),
                                             sizeof buffer - sizeof(wchar_t), nullptr))
        return {};
    return buffer;
}

std::wstring portName(HDEVINFO set, SP_DEVINFO_DATA& device)
{
    const HKEY key = ::SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE)
        return {};
    wchar_t name[64] = {};
    DWORD size = sizeof name - sizeof(wchar_t);
    DWORD type = 0;
    const bool read = ::RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size)
            == ERROR_SUCCESS
        && type == REG_SZ;
    ::RegCloseKey(key);
    return read ? name : std::wstring{};
}

// "USB\VID_0403&PID_6001&REV_0600": the four hex digits after `tag`.
std::optional<std::uint16_t> usbId(const std::wstring& hardwareId, const wchar_t* tag)
{
    const auto at = hardwareId.find(tag);
    if (at == std::wstring::npos || hardwareId.size() < at + std::wcslen(tag) + 4)
        return std::nullopt;
    return static_cast<std::uint16_t>(std::wcstoul(hardwareId.substr(at + std::wcslen(tag), 4).c_str(), nullptr, 16));
}

// "USB\VID_0403&PID_6001\A50285BI": a USB device's own serial number ends its instance id; an
// id Windows made up instead holds '&'.
std::string serialNumber(HDEVINFO set, SP_DEVINFO_DATA& device)
{
    wchar_t id[512] = {};
    if (!::SetupDiGetDeviceInstanceIdW(set, &device, id, 511, nullptr))
        return {};
    const std::wstring instance = id;
    if (instance.rfind(L"USB\\", 0) != 0)
        return {};
    const std::wstring last = instance.substr(instance.rfind(L'\\') + 1);
    return last.find(L'&') == std::wstring::npos ? utf8(last) : std::string{};
}

// "USB-SERIAL CH340 (COM5)" says its port name last, which the offer shows apart.
std::string withoutPortName(std::wstring friendly, const std::wstring& name)
{
    const std::wstring suffix = L" (" + name + L")";
    if (friendly.size() > suffix.size() && friendly.compare(friendly.size() - suffix.size(), suffix.size(), suffix) == 0)
        friendly.resize(friendly.size() - suffix.size());
    return utf8(friendly);
}

// The ports class: what Device Manager lists under "Ports (COM & LPT)", with the driver's names.
void addPortsClass(std::map<std::string, PortRecord>& found)
{
    const HDEVINFO set = ::SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE)
        return;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; ::SetupDiEnumDeviceInfo(set, index, &device); ++index) {
        const std::wstring name = portName(set, device);
        if (!PortTable::numberOf(utf8(name)))
            continue;  // a printer port, or a COM port above the table
        PortRecord record;
        record.device = utf8(name);
        std::wstring friendly = property(set, device, SPDRP_FRIENDLYNAME);
        record.description = withoutPortName(friendly.empty() ? property(set, device, SPDRP_DEVICEDESC) : friendly, name);
        record.manufacturer = utf8(property(set, device, SPDRP_MFG));
        const std::wstring hardwareId = property(set, device, SPDRP_HARDWAREID);
        record.vendorId = usbId(hardwareId, L"VID_");
        record.productId = usbId(hardwareId, L"PID_");
        record.serialNumber = serialNumber(set, device);
        found[record.device] = std::move(record);
    }
    ::SetupDiDestroyDeviceInfoList(set);
}

// The drivers' own map of the COM ports they serve: it also holds ports of drivers that do not
// class themselves as ports (virtual pairs, some modems), by name only.
void addSerialCommMap(std::map<std::string, PortRecord>& found)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &key)
        != ERROR_SUCCESS)
        return;
    for (DWORD index = 0;; ++index) {
        wchar_t valueName[256] = {};
        DWORD valueNameSize = 255;
        wchar_t data[64] = {};
        DWORD dataSize = sizeof data - sizeof(wchar_t);
        DWORD type = 0;
        const LONG result = ::RegEnumValueW(key, index, valueName, &valueNameSize, nullptr, &type,
                                            reinterpret_cast<BYTE*>(data), &dataSize);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result != ERROR_SUCCESS || type != REG_SZ)
            continue;
        const std::string name = utf8(data);
        if (PortTable::numberOf(name) && !found.contains(name))
            found[name].device = name;
    }
    ::RegCloseKey(key);
}

}  // namespace

std::vector<PortRecord> devices()
{
    std::map<std::string, PortRecord> found;
    addPortsClass(found);
    addSerialCommMap(found);
    std::vector<PortRecord> records;
    for (auto& [name, record] : found)
        records.push_back(std::move(record));
    return records;
}

// Windows tells neither who may open a COM port nor who has it open: an open finds out.
void lookIntoUse(std::vector<PortRecord>&) {}

std::vector<PortRecord> present() { return devices(); }

}  // namespace PortScan
