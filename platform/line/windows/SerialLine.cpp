// SPDX-License-Identifier: MIT
#include "SerialLine.h"

#include "OpenRefusal.h"
#include "PortProblem.h"
#include "PortTable.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include <windows.h>

namespace {

// A slot for a write handed to the driver and not yet done: its bytes must stay put until it is.
// The pacer never has more than a few bytes out, so a few of these suffice. Each keeps its event
// from open to close, so streaming makes no system objects.
struct PendingWrite {
    OVERLAPPED overlapped{};
    std::array<char, 16> bytes{};
    DWORD size = 0;
    bool pending = false;
};

}  // namespace

class SerialLine::Port {
public:
    Port(HANDLE handle, const DCB& original) : handle(handle), original(original)
    {
        for (PendingWrite& write : writes) {
            write.overlapped.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
            if (write.overlapped.hEvent == nullptr && setupError == ERROR_SUCCESS)
                setupError = ::GetLastError();
        }
    }
    ~Port()
    {
        abandonWrites();
        for (PendingWrite& write : writes)
            if (write.overlapped.hEvent != nullptr)
                ::CloseHandle(write.overlapped.hEvent);
        ::SetCommState(handle, &original);
        ::CloseHandle(handle);
    }
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;

    long write(const char* data, std::size_t size);
    std::size_t queued() const;
    void discard();

    // Why a write slot could not be made, ERROR_SUCCESS when all were.
    DWORD setupError = ERROR_SUCCESS;

private:
    bool collect();
    void abandonWrites();

    const HANDLE handle;
    DCB original;
    std::array<PendingWrite, 8> writes{};
};

SerialLine::SerialLine() = default;

SerialLine::~SerialLine() = default;

bool SerialLine::isOpen() const { return port_ != nullptr; }

void SerialLine::open(std::int16_t number, int baud)
{
    const auto name = PortTable::devicePath(number);
    if (!name)
        throw PortProblem::failure(PortFault::of(PortFault::Kind::NoSuchNumber, number));
    const auto refused = [&](DWORD error) { return PortProblem::failure(OpenRefusal::faultOf(error, number, *name)); };
    // The port opened but would not take the line settings.
    const auto notSerial = [&](DWORD error) {
        PortFault fault = PortFault::of(PortFault::Kind::NotSerial, number, *name);
        fault.systemWords = OpenRefusal::systemWords(error);
        return PortProblem::failure(fault);
    };
    // \\.\COMn: the plain name reaches only COM1 to COM9.
    const std::wstring path = L"\\\\.\\COM" + std::to_wstring(number);
    // Read access too, though nothing is read: reading and changing the line settings want it.
    const HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        throw refused(::GetLastError());

    DCB settings{};
    settings.DCBlength = sizeof settings;
    if (!::GetCommState(handle, &settings)) {
        const DWORD error = ::GetLastError();
        ::CloseHandle(handle);
        throw notSerial(error);
    }
    const DCB original = settings;
    settings.BaudRate = static_cast<DWORD>(baud);
    settings.ByteSize = 8;
    settings.Parity = NOPARITY;
    settings.StopBits = ONESTOPBIT;
    settings.fBinary = TRUE;
    settings.fParity = FALSE;
    settings.fOutxCtsFlow = FALSE;
    settings.fOutxDsrFlow = FALSE;
    settings.fDtrControl = DTR_CONTROL_ENABLE;
    settings.fDsrSensitivity = FALSE;
    settings.fOutX = FALSE;
    settings.fInX = FALSE;
    settings.fNull = FALSE;
    settings.fRtsControl = RTS_CONTROL_ENABLE;
    settings.fAbortOnError = FALSE;
    // No timeouts: a write is done when the driver has sent it, however long the line takes. The
    // panel never waits for one, and its own bound finds a line that takes nothing.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    if (!::SetCommState(handle, &settings) || !::SetCommTimeouts(handle, &timeouts)) {
        const DWORD error = ::GetLastError();
        ::SetCommState(handle, const_cast<DCB*>(&original));
        ::CloseHandle(handle);
        throw notSerial(error);
    }
    // Whatever the driver still holds from before is another program's or a stream given up:
    // the first frame is the next thing on the wire.
    if (!::PurgeComm(handle, PURGE_TXABORT | PURGE_TXCLEAR)) {
        const DWORD error = ::GetLastError();
        ::SetCommState(handle, const_cast<DCB*>(&original));
        ::CloseHandle(handle);
        throw refused(error);
    }
    auto port = std::make_unique<Port>(handle, original);
    // Without its events a write could never be waited for: the port fails now, for that reason,
    // rather than later as a line that takes nothing.
    if (port->setupError != ERROR_SUCCESS)
        throw refused(port->setupError);
    port_ = std::move(port);
    device_ = *name;
}

void SerialLine::close() { port_.reset(); }

void SerialLine::discard()
{
    if (port_)
        port_->discard();
}

long SerialLine::write(const char* data, std::size_t size) { return port_ ? port_->write(data, size) : -1; }

std::size_t SerialLine::queued() const { return port_ ? port_->queued() : 0; }

// The driver's queue and the writes still out are dropped; a purge that fails leaves nothing to
// do but close, which cancels them too.
void SerialLine::Port::discard()
{
    ::PurgeComm(handle, PURGE_TXABORT | PURGE_TXCLEAR);
    abandonWrites();
}

// Writes still out are cancelled and waited for: their bytes belong to them until they end.
void SerialLine::Port::abandonWrites()
{
    ::CancelIo(handle);
    for (PendingWrite& write : writes) {
        if (!write.pending)
            continue;
        DWORD done = 0;
        ::GetOverlappedResult(handle, &write.overlapped, &done, TRUE);
        write.pending = false;
    }
}

// Ends the writes the driver has done; false when one of them failed (the line is gone).
bool SerialLine::Port::collect()
{
    bool fine = true;
    for (PendingWrite& write : writes) {
        if (!write.pending)
            continue;
        DWORD done = 0;
        if (!::GetOverlappedResult(handle, &write.overlapped, &done, FALSE)) {
            if (::GetLastError() == ERROR_IO_INCOMPLETE)
                continue;
            fine = false;
        }
        write.pending = false;
    }
    return fine;
}

long SerialLine::Port::write(const char* data, std::size_t size)
{
    if (!collect())
        return -1;
    const auto free = std::find_if(writes.begin(), writes.end(), [](const PendingWrite& write) { return !write.pending; });
    if (free == writes.end())
        return 0;
    PendingWrite& write = *free;
    const HANDLE event = write.overlapped.hEvent;
    write.size = static_cast<DWORD>(std::min(size, write.bytes.size()));
    std::memcpy(write.bytes.data(), data, write.size);
    write.overlapped = OVERLAPPED{};
    write.overlapped.hEvent = event;  // WriteFile resets it
    DWORD done = 0;
    if (::WriteFile(handle, write.bytes.data(), write.size, &done, &write.overlapped))
        return static_cast<long>(write.size);
    if (::GetLastError() != ERROR_IO_PENDING)
        return -1;
    write.pending = true;
    return static_cast<long>(write.size);
}

std::size_t SerialLine::Port::queued() const
{
    std::size_t inWrites = 0;
    for (const PendingWrite& write : writes)
        if (write.pending && !HasOverlappedIoCompleted(&write.overlapped))
            inWrites += write.size;
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(handle, &errors, &status))
        return inWrites;
    return std::max<std::size_t>(status.cbOutQue, inWrites);
}
