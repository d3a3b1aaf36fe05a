#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "SimulatedBoard.h"
#include "axi/AxiTcpServer.h"
#include "support/ProgramRun.h"

#ifndef CORVANE_BIN_DIR
#error "CORVANE_BIN_DIR must name the directory of corvane-axid"
#endif

namespace Corvane::Testing {

using namespace std::chrono_literals;

inline constexpr std::uint16_t daemonPort = AxiTcpServer::defaultPort;

// The little-endian word at a byte offset of the wire or the register window.
inline std::uint32_t wordAt(const std::string& bytes, std::size_t at) {
    std::uint32_t w = 0;
    for (int i = 3; i >= 0; --i) {
        w = w << 8 | static_cast<unsigned char>(bytes.at(at + static_cast<std::size_t>(i)));
    }
    return w;
}

inline std::uint32_t windowWordAt(const Sim::SimulatedBoard& board, std::size_t byteOffset) {
    return wordAt(Sim::SimulatedBoard::readFile(board.windowPath()), byteOffset);
}

// The shipped daemon binary, started under a simulated board and stopped
// (killed: it has no orderly stop) on destruction.
class RunningDaemon {
public:
    explicit RunningDaemon(const Sim::BoardConfig& config = Sim::BoardConfig{})
        : board_(std::make_unique<Sim::SimulatedBoard>(config)),
          outputPath_(board_->rootDir() + "/daemon.out"),
          pid_(board_->spawn({std::string(CORVANE_BIN_DIR) + "/corvane-axid"}, outputPath_)) {
        if (!waitFor("TQ Network AXI server: Waiting for connection")) {
            ADD_FAILURE() << "the daemon did not come up; its output:\n" << output();
        }
        if (count("Server could not start") > 0) {
            ADD_FAILURE() << "port " << daemonPort << " is taken by another process";
        }
    }
    ~RunningDaemon() {
        if (pid_ > 0) {  // never kill(-1)
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    Sim::SimulatedBoard& board() { return *board_; }
    pid_t pid() const { return pid_; }
    bool alive() { return pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0; }

    // Everything the daemon wrote to stdout and stderr so far.
    std::string output() const { return Sim::SimulatedBoard::readFile(outputPath_); }
    int count(const std::string& text) const {
        const std::string all = output();
        int n = 0;
        for (auto at = all.find(text); at != std::string::npos; at = all.find(text, at + 1)) {
            ++n;
        }
        return n;
    }
    // Waits until `text` occurs at least `times` times in the output.
    bool waitFor(const std::string& text, int times = 1,
                 std::chrono::milliseconds timeout = 10s) const {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (count(text) < times) {
            if (std::chrono::steady_clock::now() >= deadline) {
                return false;
            }
            std::this_thread::sleep_for(5ms);
        }
        return true;
    }

    // Descriptors the daemon holds open now (leak check).
    int openDescriptors() const {
        const std::filesystem::directory_iterator fds("/proc/" + std::to_string(pid_) + "/fd");
        return static_cast<int>(std::distance(begin(fds), end(fds)));
    }

private:
    std::unique_ptr<Sim::SimulatedBoard> board_;
    std::string outputPath_;
    pid_t pid_;
};

// A byte-level client on plain sockets, so that the tests check the wire
// format independently of the daemon's own encoder.
class WireClient {
public:
    // Connects to the daemon at an IPv4 address (daemonPort), fails the test
    // otherwise.
    explicit WireClient(const char* address = "127.0.0.1")
        : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(daemonPort);
        if (fd_ < 0 || ::inet_pton(AF_INET, address, &to.sin_addr) != 1 ||
            ::connect(fd_, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
            ADD_FAILURE() << "cannot connect to the daemon at " << address << ":" << daemonPort;
            close();
        }
    }
    ~WireClient() { close(); }
    WireClient(const WireClient&) = delete;
    WireClient& operator=(const WireClient&) = delete;

    // False when the daemon has closed the connection meanwhile.
    bool send(const std::string& bytes) {
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t n =
                fd_ < 0 ? -1 : ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n <= 0) {
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    }
    bool sendWords(std::initializer_list<std::uint32_t> words) { return send(packet(words)); }

    // One complete packet's words, or nothing when none arrives in time or
    // the daemon closes the connection first.
    std::optional<std::vector<std::uint32_t>> receive(std::chrono::milliseconds timeout = 5s) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            const std::size_t length = 1 + 4 * static_cast<unsigned char>(pending_[0]);
            if (!pending_.empty() && pending_.size() >= length) {
                std::vector<std::uint32_t> words;
                for (std::size_t i = 1; i < length; i += 4) {
                    words.push_back(wordAt(pending_, i));
                }
                pending_.erase(0, length);
                return words;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd p{fd_, POLLIN, 0};
            char buffer[4096];
            ssize_t n = 0;
            if (fd_ < 0 || left.count() <= 0 ||
                ::poll(&p, 1, static_cast<int>(left.count())) <= 0 ||
                (n = ::recv(fd_, buffer, sizeof buffer, 0)) <= 0) {
                return std::nullopt;
            }
            pending_.append(buffer, static_cast<std::size_t>(n));
        }
    }
    // True when the daemon has closed the connection (nothing more to read).
    bool closedByDaemon(std::chrono::milliseconds timeout = 5s) {
        pollfd p{fd_, POLLIN, 0};
        char byte = 0;
        return fd_ >= 0 && ::poll(&p, 1, static_cast<int>(timeout.count())) > 0 &&
               ::recv(fd_, &byte, 1, MSG_PEEK) == 0;
    }
    // Half-closes: the daemon reads the end of the stream, answers still come.
    void stopSending() { ::shutdown(fd_, SHUT_WR); }
    void close() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

    // Read request, then the register value from a matching read response;
    // nothing when the answer is missing or does not match the request.
    std::optional<std::uint32_t> read(std::uint32_t base, std::uint32_t offset) {
        const auto answer = sendWords({1, base, offset}) ? receive() : std::nullopt;
        if (!answer || answer->size() != 4 || (*answer)[0] != 2 || (*answer)[1] != base ||
            (*answer)[2] != offset) {
            return std::nullopt;
        }
        return (*answer)[3];
    }

    static std::string packet(std::initializer_list<std::uint32_t> words) {
        std::string bytes(1, static_cast<char>(words.size()));
        for (std::uint32_t w : words) {
            for (int shift = 0; shift < 32; shift += 8) {
                bytes.push_back(static_cast<char>((w >> shift) & 0xFF));
            }
        }
        return bytes;
    }

private:
    int fd_;
    std::string pending_;
};

}  // namespace Corvane::Testing
