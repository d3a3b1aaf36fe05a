#include "DaemonHarness.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#ifndef CORVANE_BIN_DIR
#error "CORVANE_BIN_DIR must name the directory of corvane-axid"
#endif

namespace Corvane::Testing {

namespace {

std::size_t occurrences(const std::string& haystack, const std::string& needle) {
    std::size_t n = 0;
    for (auto at = haystack.find(needle); at != std::string::npos;
         at = haystack.find(needle, at + needle.size())) {
        ++n;
    }
    return n;
}

}  // namespace

RunningDaemon::RunningDaemon(const Sim::BoardConfig& config)
    : board_(std::make_unique<Sim::SimulatedBoard>(config)) {
    outputPath_ = board_->rootDir() + "/daemon.out";
    pid_ = board_->spawn({std::string(CORVANE_BIN_DIR) + "/corvane-axid"}, outputPath_);
    if (!waitFor("TQ Network AXI server: Waiting for connection")) {
        ADD_FAILURE() << "the daemon did not come up; its output:\n" << output();
    }
    if (count("Server could not start") > 0) {
        ADD_FAILURE() << "port " << daemonPort << " is taken by another process";
    }
}

RunningDaemon::~RunningDaemon() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

bool RunningDaemon::alive() {
    int status = 0;
    return pid_ > 0 && ::waitpid(pid_, &status, WNOHANG) == 0;
}

std::string RunningDaemon::output() const {
    return Sim::SimulatedBoard::readFile(outputPath_);
}

int RunningDaemon::count(const std::string& text) const {
    return static_cast<int>(occurrences(output(), text));
}

bool RunningDaemon::waitFor(const std::string& text, int times,
                            std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (count(text) < times) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

int RunningDaemon::openDescriptors() const {
    int n = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid_) + "/fd")) {
        ++n;
    }
    return n;
}

WireClient::WireClient(const char* address) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(daemonPort);
    if (fd_ < 0 || ::inet_pton(AF_INET, address, &to.sin_addr) != 1 ||
        ::connect(fd_, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        ADD_FAILURE() << "cannot connect to the daemon at " << address << ":" << daemonPort;
        close();
    }
}

WireClient::~WireClient() {
    close();
}

void WireClient::stopSending() {
    if (fd_ >= 0) {
        ::shutdown(fd_, SHUT_WR);
    }
}

void WireClient::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool WireClient::send(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            fd_ < 0 ? -1 : ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<std::vector<std::uint32_t>> WireClient::receive(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (!pending_.empty()) {
            const std::size_t length = 1 + 4 * static_cast<unsigned char>(pending_[0]);
            if (pending_.size() >= length) {
                std::vector<std::uint32_t> words;
                for (std::size_t i = 1; i < length; i += 4) {
                    const auto* b = reinterpret_cast<const unsigned char*>(pending_.data() + i);
                    words.push_back(b[0] | (b[1] << 8) | (b[2] << 16) |
                                    (static_cast<std::uint32_t>(b[3]) << 24));
                }
                pending_.erase(0, length);
                return words;
            }
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{fd_, POLLIN, 0};
        if (fd_ < 0 || left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            return std::nullopt;
        }
        char buffer[4096];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0) {
            return std::nullopt;
        }
        pending_.append(buffer, static_cast<std::size_t>(n));
    }
}

bool WireClient::closedByDaemon(std::chrono::milliseconds timeout) {
    pollfd p{fd_, POLLIN, 0};
    char byte = 0;
    return fd_ >= 0 && ::poll(&p, 1, static_cast<int>(timeout.count())) > 0 &&
           ::recv(fd_, &byte, 1, MSG_PEEK) == 0;
}

std::optional<std::uint32_t> WireClient::read(std::uint32_t base, std::uint32_t offset) {
    if (!sendWords({1, base, offset})) {
        return std::nullopt;
    }
    const auto answer = receive();
    if (!answer || answer->size() != 4 || (*answer)[0] != 2 || (*answer)[1] != base ||
        (*answer)[2] != offset) {
        return std::nullopt;
    }
    return (*answer)[3];
}

std::string WireClient::packet(std::initializer_list<std::uint32_t> words) {
    std::string bytes(1, static_cast<char>(words.size()));
    for (std::uint32_t w : words) {
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.push_back(static_cast<char>((w >> shift) & 0xFF));
        }
    }
    return bytes;
}

std::uint32_t windowWordAt(const Sim::SimulatedBoard& board, std::size_t byteOffset) {
    std::ifstream in(board.windowPath(), std::ios::binary);
    in.seekg(static_cast<std::streamoff>(byteOffset));
    unsigned char b[4] = {};
    in.read(reinterpret_cast<char*>(b), 4);
    if (!in) {
        throw std::runtime_error("cannot read the register window file");
    }
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

}  // namespace Corvane::Testing
