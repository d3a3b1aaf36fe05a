#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "SimulatedBoard.h"
#include "support/ProgramRun.h"

namespace Corvane::Testing {

using namespace std::chrono_literals;

inline constexpr std::uint16_t daemonPort = 9430;

// The shipped daemon binary, started under a simulated board and stopped
// (killed: it has no orderly stop) on destruction.
class RunningDaemon {
public:
    explicit RunningDaemon(const Sim::BoardConfig& config = Sim::BoardConfig{});
    ~RunningDaemon();
    RunningDaemon(const RunningDaemon&) = delete;
    RunningDaemon& operator=(const RunningDaemon&) = delete;

    Sim::SimulatedBoard& board() { return *board_; }
    pid_t pid() const { return pid_; }
    bool alive();

    // Everything the daemon wrote to stdout and stderr so far.
    std::string output() const;
    int count(const std::string& text) const;
    // Waits until `text` occurs at least `times` times in the output.
    bool waitFor(const std::string& text, int times = 1,
                 std::chrono::milliseconds timeout = 10s) const;

    // Descriptors the daemon holds open now (leak check).
    int openDescriptors() const;

private:
    std::unique_ptr<Sim::SimulatedBoard> board_;
    std::string outputPath_;
    pid_t pid_ = -1;
};

// A byte-level client on plain sockets, so that the tests check the wire
// format independently of the daemon's own encoder.
class WireClient {
public:
    // Connects to the daemon at an IPv4 address (port 9430), fails the test
    // otherwise.
    explicit WireClient(const char* address = "127.0.0.1");
    ~WireClient();
    WireClient(const WireClient&) = delete;
    WireClient& operator=(const WireClient&) = delete;

    // False when the daemon has closed the connection meanwhile.
    bool send(const std::string& bytes);
    bool sendWords(std::initializer_list<std::uint32_t> words) { return send(packet(words)); }
    // One complete packet's words, or nothing when none arrives in time or
    // the daemon closes the connection first.
    std::optional<std::vector<std::uint32_t>> receive(std::chrono::milliseconds timeout = 5s);
    // True when the daemon has closed the connection (nothing more to read).
    bool closedByDaemon(std::chrono::milliseconds timeout = 5s);
    // Half-closes: the daemon reads the end of the stream, answers still come.
    void stopSending();
    void close();

    // Read request, then the register value from a matching read response;
    // nothing when the answer is missing or does not match the request.
    std::optional<std::uint32_t> read(std::uint32_t base, std::uint32_t offset);

    static std::string packet(std::initializer_list<std::uint32_t> words);

private:
    int fd_ = -1;
    std::string pending_;
};

// 32 bits of the register window file at a byte offset.
std::uint32_t windowWordAt(const Sim::SimulatedBoard& board, std::size_t byteOffset);

}  // namespace Corvane::Testing
