// SPDX-License-Identifier: MIT
#include "PortHolderLinux.h"

#include "PortTableLinux.h"

#include <array>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

// /proc is read with plain system calls rather than QDir and QFile: a busy desktop has tens of
// thousands of open descriptors, and each one found is a link to read.
namespace PortHolder {
namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using Dir = std::unique_ptr<DIR, DirCloser>;

Dir openDir(int at, const char* path)
{
    const int fd = ::openat(at, path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr)
        ::close(fd);
    return Dir(dir);
}

std::optional<long> numberNamed(std::string_view text)
{
    long number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return number;
}

// The numbered entries of a directory: processes in /proc, descriptors in /proc/PID/fd.
template <typename Visit>
void forEachNumbered(DIR* dir, Visit visit)
{
    while (const dirent* entry = ::readdir(dir))
        if (const auto number = numberNamed(entry->d_name))
            visit(*number, entry->d_name);
}

std::string readSmallFile(int at, const std::string& path)
{
    const int fd = ::openat(at, path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    std::array<char, 4096> buffer{};
    const ssize_t size = ::read(fd, buffer.data(), buffer.size());
    ::close(fd);
    return size > 0 ? std::string(buffer.data(), static_cast<std::size_t>(size)) : std::string();
}

// A field of /proc/PID/fdinfo/FD, such as "flags:\t0100001" or "tty-index:\t3".
std::optional<long> fdinfoField(int proc, const std::string& fdinfo, std::string_view field, int base)
{
    const std::string info = readSmallFile(proc, fdinfo);
    for (std::size_t at = 0; at < info.size();) {
        const std::size_t end = std::min(info.find('\n', at), info.size());
        std::string_view line(info.data() + at, end - at);
        if (line.substr(0, field.size()) == field && line.size() > field.size() && line[field.size()] == ':') {
            line.remove_prefix(field.size() + 1);
            while (!line.empty() && (line.front() == '\t' || line.front() == ' '))
                line.remove_prefix(1);
            long value = 0;
            if (std::from_chars(line.data(), line.data() + line.size(), value, base).ec == std::errc())
                return value;
            return std::nullopt;
        }
        at = end + 1;
    }
    return std::nullopt;
}

std::string programName(int proc, long pid)
{
    std::string name = readSmallFile(proc, std::to_string(pid) + "/comm");
    while (!name.empty() && (name.back() == '\n' || name.back() == ' '))
        name.pop_back();
    return name;
}

// A device as the kernel names it in /proc/PID/fd: the path with every link resolved.
std::string canonical(const std::string& device)
{
    char resolved[PATH_MAX];
    return ::realpath(device.c_str(), resolved) != nullptr ? std::string(resolved) : device;
}

// The index of a pseudo-terminal slave, as its master's fdinfo names it.
std::optional<long> ptyIndex(const std::string& device)
{
    struct stat node {};
    if (::stat(device.c_str(), &node) != 0 || !S_ISCHR(node.st_mode))
        return std::nullopt;
    return PortTable::pseudoTerminalIndex(::major(node.st_rdev), ::minor(node.st_rdev));
}

bool isPtyMaster(std::string_view target)
{
    return target == "/dev/ptmx" || (target.size() > 5 && target.substr(target.size() - 5) == "/ptmx");
}

Dir openProc() { return openDir(AT_FDCWD, PortTable::procRoot().c_str()); }

template <typename Visit>
void forEachProcess(Visit visit)
{
    const Dir proc = openProc();
    if (!proc)
        return;
    const int procFd = ::dirfd(proc.get());
    forEachNumbered(proc.get(), [&](long pid, const char* pidName) { visit(procFd, pid, pidName); });
}

// A process's controlling terminal (major, minor), from its stat line.
std::optional<std::pair<unsigned, unsigned>> controllingTerminal(int procFd, const char* pidName)
{
    // "pid (comm) state ppid pgrp session tty_nr ...": comm may hold blanks and parentheses, so
    // the fields are counted from the last ')'.
    const std::string line = readSmallFile(procFd, std::string(pidName) + "/stat");
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos)
        return std::nullopt;
    std::size_t at = close + 2;
    for (int skipped = 0; skipped < 4; ++skipped) {
        const std::size_t blank = line.find(' ', at);
        if (blank == std::string::npos)
            return std::nullopt;
        at = blank + 1;
    }
    unsigned long tty = 0;
    std::from_chars(line.data() + at, line.data() + line.size(), tty);
    if (tty == 0)
        return std::nullopt;
    // The kernel's encoding of a device number: minor in bits 0-7 and 20-31, major in 8-19.
    return std::pair(static_cast<unsigned>((tty >> 8) & 0xfff),
                     static_cast<unsigned>((tty & 0xff) | ((tty >> 12) & 0xfff00)));
}

struct Opened {
    long pid;
    std::string fdinfo;  // "PID/fdinfo/FD", below /proc
    std::string device;    // the name asked for
};

}  // namespace

std::map<std::string, Users> usersOf(const std::vector<std::string>& devices)
{
    std::map<std::string, std::string> wanted;  // canonical path -> the name asked for
    std::map<long, std::string> ptys;           // pseudo-terminal index -> the name asked for
    for (const std::string& device : devices) {
        wanted.emplace(canonical(device), device);
        if (const auto index = ptyIndex(device))
            ptys.emplace(*index, device);
    }
    std::map<std::string, Users> found;
    const Dir proc = openProc();
    if (wanted.empty() || !proc)
        return found;
    const int procFd = ::dirfd(proc.get());

    std::vector<Opened> opened;
    std::set<std::pair<long, std::string>> farEnds;  // (pid, device) holding the device's master
    const long self = ::getpid();
    forEachNumbered(proc.get(), [&](long pid, const char* pidName) {
        if (pid == self)
            return;
        const std::string fdPath = std::string(pidName) + "/fd";
        // Another user's processes cannot be looked into: their fd directory does not open.
        const Dir fds = openDir(procFd, fdPath.c_str());
        if (!fds)
            return;
        const int fdsFd = ::dirfd(fds.get());
        forEachNumbered(fds.get(), [&](long, const char* fdName) {
            char target[PATH_MAX];
            const ssize_t size = ::readlinkat(fdsFd, fdName, target, sizeof target);
            if (size <= 0 || static_cast<std::size_t>(size) >= sizeof target)
                return;
            const std::string_view link(target, static_cast<std::size_t>(size));
            const std::string fdinfo = std::string(pidName) + "/fdinfo/" + fdName;
            if (const auto match = wanted.find(std::string(link)); match != wanted.end())
                opened.push_back({pid, fdinfo, match->second});
            else if (!ptys.empty() && isPtyMaster(link))
                if (const auto index = fdinfoField(procFd, fdinfo, "tty-index", 10))
                    if (const auto pty = ptys.find(*index); pty != ptys.end())
                        farEnds.emplace(pid, pty->second);
        });
    });

    for (const Opened& open : opened) {
        if (farEnds.count({open.pid, open.device}) != 0)
            continue;
        const auto flags = fdinfoField(procFd, open.fdinfo, "flags", 8);
        if (!flags)
            continue;  // closed since
        Users& users = found[open.device];
        auto& slot = (*flags & O_ACCMODE) == O_RDONLY ? users.reader : users.writer;
        if (!slot)
            slot = Holder{static_cast<int>(open.pid), programName(procFd, open.pid)};
    }
    return found;
}

Users usersOf(const std::string& device)
{
    const auto found = usersOf(std::vector<std::string>{device});
    return found.empty() ? Users{} : found.begin()->second;
}

std::set<std::pair<unsigned, unsigned>> controllingTerminals()
{
    std::set<std::pair<unsigned, unsigned>> terminals;
    // This process counts too: the terminal it was started from is a session as well.
    forEachProcess([&](int procFd, long, const char* pidName) {
        if (const auto tty = controllingTerminal(procFd, pidName))
            terminals.insert(*tty);
    });
    return terminals;
}

std::optional<Holder> running(const std::string& program)
{
    std::optional<Holder> found;
    forEachProcess([&](int procFd, long pid, const char*) {
        if (!found && programName(procFd, pid) == program)
            found = Holder{static_cast<int>(pid), program};
    });
    return found;
}

// /proc/PID/stat is open to everyone, where the descriptors of another user's process are not: a
// console's program running as root is found by its terminal.
std::optional<Holder> sessionOn(const std::string& device)
{
    struct stat node {};
    if (::stat(device.c_str(), &node) != 0 || !S_ISCHR(node.st_mode))
        return std::nullopt;
    const std::pair<unsigned, unsigned> wanted(::major(node.st_rdev), ::minor(node.st_rdev));
    std::optional<Holder> found;
    const long self = ::getpid();
    forEachProcess([&](int procFd, long pid, const char* pidName) {
        if (!found && pid != self && controllingTerminal(procFd, pidName) == wanted)
            found = Holder{static_cast<int>(pid), programName(procFd, pid)};
    });
    return found;
}

std::string programOf(int pid)
{
    const Dir proc = openProc();
    return proc ? programName(::dirfd(proc.get()), pid) : std::string();
}

}  // namespace PortHolder
