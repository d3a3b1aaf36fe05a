#pragma once

// Plain blocking loopback TCP for the baselines of the benchmarks: what the
// kernel alone costs for the bytes a Qt connection carries.

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>

namespace Corvane::Bench {

// All `size` bytes through `io` (::read or ::write), however the kernel
// splits them; false when the peer is gone.
template <typename Io, typename Byte>
bool whole(Io io, int fd, Byte* data, ssize_t size) {
    while (size > 0) {
        const ssize_t n = io(fd, data, static_cast<size_t>(size));
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

// The two ends of a fresh loopback TCP connection, as blocking sockets.
struct LoopbackPair {
    int near = -1;
    int far = -1;

    LoopbackPair() {
        const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        auto* any = reinterpret_cast<sockaddr*>(&address);
        if (listener >= 0 && ::bind(listener, any, sizeof address) == 0 &&
            ::listen(listener, 1) == 0 && ::getsockname(listener, any, &length) == 0) {
            near = ::socket(AF_INET, SOCK_STREAM, 0);
            if (near >= 0 && ::connect(near, any, sizeof address) == 0) {
                far = ::accept(listener, nullptr, nullptr);
            }
        }
        if (listener >= 0) {
            ::close(listener);
        }
    }
    ~LoopbackPair() {
        for (const int fd : {near, far}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
};

}  // namespace Corvane::Bench
