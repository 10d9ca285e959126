// SPDX-License-Identifier: MIT
#include "UucpLock.h"

#include "PortHolderLinux.h"

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string& lockDirectory()
{
    static std::string path = "/run/lock";
    return path;
}

// The locks this process made. exit() (Qt's answer to a display connection that broke) runs no
// destructor of a port still open, so the locks left are removed then. Each lock is removed only
// by the process that made it, never by one forked from it.
class Held {
public:
    static Held& instance()
    {
        // Never destroyed: a port may still close during the static destructors.
        static Held* held = [] {
            auto* made = new Held;
            std::atexit([] { instance().removeAll(); });
            return made;
        }();
        return *held;
    }
    void add(const std::string& path)
    {
        const std::lock_guard lock(mutex_);
        paths_[path] = ::getpid();
    }
    void remove(const std::string& path)
    {
        const std::lock_guard lock(mutex_);
        if (const auto held = paths_.find(path); held != paths_.end()) {
            if (held->second == ::getpid())
                ::unlink(path.c_str());
            paths_.erase(held);
        }
    }
    void removeAll()
    {
        const std::lock_guard lock(mutex_);
        for (const auto& [path, owner] : paths_)
            if (owner == ::getpid())
                ::unlink(path.c_str());
        paths_.clear();
    }

private:
    std::mutex mutex_;
    std::map<std::string, pid_t> paths_;
};

// The pid a lock names, 0 where it names none: ten digits after blanks and a newline, or a
// binary int of four bytes.
pid_t pidIn(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return 0;
    char text[32] = {};
    const ssize_t size = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (size <= 0)
        return 0;
    const char* begin = text;
    const char* end = text + size;
    while (begin < end && *begin == ' ')
        ++begin;
    pid_t pid = 0;
    const auto [last, error] = std::from_chars(begin, end, pid);
    if (error == std::errc() && (last == end || *last == '\n'))
        return pid;
    if (size == sizeof(int)) {
        int binary = 0;
        std::memcpy(&binary, text, sizeof binary);
        return binary;
    }
    return 0;
}

// The program behind the lock at `path`, while it runs; this process's own counts as stale, for
// it never opens a device twice.
std::optional<PortFault::Holder> liveHolder(const std::string& path)
{
    const pid_t pid = pidIn(path);
    if (pid <= 0 || pid == ::getpid() || (::kill(pid, 0) != 0 && errno != EPERM))
        return std::nullopt;
    return PortFault::Holder{static_cast<int>(pid), PortHolder::programOf(static_cast<int>(pid))};
}

}  // namespace

void UucpLock::setDirectory(std::string directory) { lockDirectory() = std::move(directory); }

const std::string& UucpLock::directory() { return lockDirectory(); }

UucpLock::UucpLock(const std::string& device)
{
    const std::string& directory = lockDirectory();
    const std::string path = directory + "/LCK.." + device.substr(device.rfind('/') + 1);
    // Written whole under a name of this process's own, then linked into place: no program ever
    // finds the lock without its pid. Readable by all, whatever the umask.
    const std::string whole = directory + "/LTMP." + std::to_string(::getpid());
    const int fd = ::open(whole.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        holder_ = liveHolder(path);
        return;
    }
    char text[16];
    const int length = std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(::getpid()));
    const bool written = ::fchmod(fd, 0644) == 0 && ::write(fd, text, static_cast<std::size_t>(length)) == length;
    ::close(fd);
    // A stale lock is replaced, once: another program that replaced it first has it.
    for (int attempt = 0; written && attempt < 2 && !holder_; ++attempt) {
        if (::link(whole.c_str(), path.c_str()) == 0) {
            path_ = path;
            Held::instance().add(path_);
            break;
        }
        if (errno != EEXIST)
            break;
        holder_ = liveHolder(path);
        if (!holder_ && ::unlink(path.c_str()) != 0)
            break;  // stale, but not this user's to remove
    }
    ::unlink(whole.c_str());
    if (!written)
        holder_ = liveHolder(path);
}

UucpLock::~UucpLock() { release(); }

UucpLock::UucpLock(UucpLock&& other) noexcept
    : path_(std::exchange(other.path_, {})), holder_(std::move(other.holder_))
{
}

UucpLock& UucpLock::operator=(UucpLock&& other) noexcept
{
    if (this != &other) {
        release();
        path_ = std::exchange(other.path_, {});
        holder_ = std::move(other.holder_);
    }
    return *this;
}

void UucpLock::release()
{
    if (path_.empty())
        return;
    Held::instance().remove(path_);
    path_.clear();
}
