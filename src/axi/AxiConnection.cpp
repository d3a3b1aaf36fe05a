#include "axi/AxiConnection.h"

#include <cerrno>
#include <chrono>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "axi/AxiNetworkUtil.h"

namespace Corvane {
namespace {

// The longest packet: a count byte and 255 words.
constexpr std::size_t kMaxPacketBytes = 1 + 4 * 255;
// Room for the queue at its bound plus what a batch adds before it is
// checked, so that the queue is moved to the front only rarely.
constexpr std::size_t kOutBytes = AxiConnection::maxQueuedBytes + 2 * AxiConnection::sendBytes;

bool interrupted(ssize_t result) {
    return result < 0 && errno == EINTR;
}

bool wouldBlock(ssize_t result) {
    return result < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
}

}  // namespace

AxiConnection::AxiConnection(int descriptor)
    : fd_(descriptor), in_(new char[readAheadBytes]), out_(new char[kOutBytes]) {}

AxiConnection::~AxiConnection() = default;

AxiDecodedTransaction AxiConnection::receive() {
    for (;;) {
        const std::size_t have = inEnd_ - inStart_;
        if (have > 0) {
            const char* packet = in_.get() + inStart_;
            const std::size_t words = static_cast<unsigned char>(packet[0]);
            const std::size_t length = 1 + 4 * words;
            if (have >= length) {
                inStart_ += length;
                return AxiNetworkUtil::decodePacketWords(packet + 1, words);
            }
        }
        // Without a whole packet left, a peer that has gone sends no more.
        if (!connected() || !fill()) {
            return std::monostate{};
        }
    }
}

bool AxiConnection::fill() {
    // What is left is part of one packet: to the front, leaving the buffer's
    // room for the next read.
    const std::size_t have = inEnd_ - inStart_;
    std::memmove(in_.get(), in_.get() + inStart_, have);
    inStart_ = 0;
    inEnd_ = have;
    static_assert(readAheadBytes > kMaxPacketBytes, "a whole packet must fit");
    // The answers to the requests served so far leave before the wait.
    if (!send()) {
        return false;
    }
    for (;;) {
        pollfd wait{fd_, static_cast<short>(POLLIN | (queued() > 0 ? POLLOUT : 0)), 0};
        const int ready = ::poll(&wait, 1, AxiNetworkUtil::receiveWaitMs);
        if (ready < 0 && errno != EINTR) {
            readable_ = false;
            return false;
        }
        if (ready <= 0) {
            continue;  // nothing yet: the next step of the wait
        }
        if ((wait.revents & POLLOUT) != 0 && !send()) {
            return false;
        }
        if ((wait.revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
            continue;
        }
        const ssize_t got = ::read(fd_, in_.get() + inEnd_, readAheadBytes - inEnd_);
        if (got > 0) {
            inEnd_ += static_cast<std::size_t>(got);
            return true;
        }
        if (!interrupted(got) && !wouldBlock(got)) {
            readable_ = false;  // the end of the stream, or the connection failed
            return false;
        }
    }
}

bool AxiConnection::stillOpen() const {
    if (!connected()) {
        AxiNetworkUtil::logSendError();
        return false;
    }
    return true;
}

char* AxiConnection::room() {
    if (outEnd_ + kMaxPacketBytes > kOutBytes) {
        std::memmove(out_.get(), out_.get() + outStart_, queued());
        outEnd_ = queued();
        outStart_ = 0;
    }
    return out_.get() + outEnd_;
}

void AxiConnection::queue(const char* end) {
    outEnd_ = static_cast<std::size_t>(end - out_.get());
    if (queued() >= sendBytes) {
        // A long pipeline need not be served whole before its first answers
        // leave; and a client that sends but does not read is held back.
        send();
        sendBelow(maxQueuedBytes);
    }
}

bool AxiConnection::send() {
    while (queued() > 0) {
        const ssize_t sent =
            ::send(fd_, out_.get() + outStart_, queued(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            outStart_ += static_cast<std::size_t>(sent);
        } else if (wouldBlock(sent)) {
            return true;
        } else if (!interrupted(sent)) {
            // The answers queued are lost with the connection.
            writable_ = false;
            outStart_ = outEnd_ = 0;
            return false;
        }
    }
    outStart_ = outEnd_ = 0;
    return true;
}

void AxiConnection::sendBelow(std::size_t bytes) {
    while (queued() >= bytes && writable_) {
        pollfd wait{fd_, POLLOUT, 0};
        if (::poll(&wait, 1, AxiNetworkUtil::receiveWaitMs) > 0) {
            send();
        }
    }
}

void AxiConnection::drain(int waitMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    while (writable_ && send() && queued() > 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return;
        }
        pollfd wait{fd_, POLLOUT, 0};
        ::poll(&wait, 1, static_cast<int>(left));
    }
}

}  // namespace Corvane
