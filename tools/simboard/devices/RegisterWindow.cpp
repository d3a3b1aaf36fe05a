#include "RegisterWindow.h"

#include <fcntl.h>
#include <unistd.h>

#include <stdexcept>

#include "Testbed.h"

namespace Corvane::Sim {

namespace {

constexpr unsigned int windowBases = 32;

// One 32-bit access to the window file at the register's byte offset.
template <typename Io>
void accessRegister(const std::string& window, unsigned int base, unsigned int offset, int flags,
                    Io&& io) {
    const auto index = windowIndex(base, offset);
    if (!index) {
        throw std::out_of_range("base " + std::to_string(base) + " lies outside the window");
    }
    const int fd = ::open(window.c_str(), flags);
    if (fd < 0) {
        throwErrno("register window " + window);
    }
    const ssize_t n = io(fd, static_cast<off_t>(*index * 4));
    ::close(fd);
    if (n != static_cast<ssize_t>(sizeof(std::uint32_t))) {
        throwErrno("register window access");
    }
}

}  // namespace

std::optional<std::size_t> windowIndex(unsigned int base, unsigned int offset) {
    if (base >= windowBases) {
        return std::nullopt;
    }
    return (static_cast<std::size_t>(base) << 16) | (offset & 0xFFFFu);
}

void RegisterWindow::install(Testbed& testbed) {
    const std::string window = testbed.pathOf(devicePath);
    const int fd = ::open(window.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(windowBytes)) != 0) {
        throwErrno("register window " + window);
    }
    ::close(fd);
    for (const RegisterValue& r : initial_) {
        write(window, r.base, r.offset, r.value);
    }
}

std::uint32_t RegisterWindow::read(const std::string& windowFile, unsigned int base,
                                   unsigned int offset) {
    std::uint32_t value = 0;
    accessRegister(windowFile, base, offset, O_RDONLY,
                   [&](int fd, off_t at) { return ::pread(fd, &value, sizeof value, at); });
    return value;
}

void RegisterWindow::write(const std::string& windowFile, unsigned int base, unsigned int offset,
                           std::uint32_t value) {
    accessRegister(windowFile, base, offset, O_WRONLY,
                   [&](int fd, off_t at) { return ::pwrite(fd, &value, sizeof value, at); });
}

}  // namespace Corvane::Sim
