// Register reads and writes per second served by corvane-axid on the
// simulated board, against axi_reference (a minimal blocking C server) on
// the same board in the same run, lock-step and with 64 requests in flight.
// Every answer is checked; a write counts once its read-back answered with
// the value written. Also the daemon's peak resident memory before and after
// serving 1000 clients one after another.
//
// The daemon listens on the fixed port 9430, which must be free.

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "SimulatedBoard.h"
#include "support/BenchReport.h"

namespace {

using namespace Corvane;
using Clock = std::chrono::steady_clock;

constexpr std::uint16_t daemonPort = 9430;
constexpr unsigned int readBase = 1;   // filled once, then only read
constexpr unsigned int writeBase = 2;  // written and read back
constexpr unsigned int registers = 1024;

std::uint32_t pattern(std::uint32_t k) {
    return k * 2654435761u ^ 0x5A5AA5A5u;
}

void putPacket(std::string& out, std::initializer_list<std::uint32_t> words) {
    out.push_back(static_cast<char>(words.size()));
    for (std::uint32_t w : words) {
        for (int shift = 0; shift < 32; shift += 8) {
            out.push_back(static_cast<char>(w >> shift));
        }
    }
}

std::uint32_t wordAt(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

// One client connection on plain blocking sockets.
class Connection {
public:
    explicit Connection(std::uint16_t port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const int on = 1;
        if (fd_ < 0 || ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) != 0) {
            throw std::runtime_error("cannot connect to port " + std::to_string(port));
        }
    }
    ~Connection() { ::close(fd_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void send(const std::string& bytes) {
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n <= 0) {
                throw std::runtime_error("the server closed the connection");
            }
            done += static_cast<std::size_t>(n);
        }
    }

    // Reads at least one more complete read response and checks each against
    // the expected (base, offset, value) triples in order; returns how many.
    std::size_t receive(const std::vector<std::uint32_t>& expected, std::size_t& next) {
        for (;;) {
            std::size_t checked = 0;
            std::size_t at = 0;
            constexpr std::size_t answerBytes = 17;
            for (; pending_.size() - at >= answerBytes; at += answerBytes, ++checked, next += 3) {
                const char* p = pending_.data() + at;
                if (p[0] != 4 || wordAt(p + 1) != 2 || wordAt(p + 5) != expected[next % kRing] ||
                    wordAt(p + 9) != expected[(next + 1) % kRing] ||
                    wordAt(p + 13) != expected[(next + 2) % kRing]) {
                    throw std::runtime_error("wrong answer from the server");
                }
            }
            pending_.erase(0, at);
            if (checked > 0) {
                return checked;
            }
            char buffer[65536];
            const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
            if (n <= 0) {
                throw std::runtime_error("the server closed the connection");
            }
            pending_.append(buffer, static_cast<std::size_t>(n));
        }
    }

    // Ring of expected answers: 3 words per outstanding request.
    static constexpr std::size_t kRing = 3 * 256;

private:
    int fd_ = -1;
    std::string pending_;
};

// Requests per second for `seconds`, `window` in flight: reads of the filled
// registers, or writes each followed by its read-back.
double measure(std::uint16_t port, bool writes, int window, double seconds) {
    Connection c(port);
    std::vector<std::uint32_t> expected(Connection::kRing);
    std::uint32_t k = 0;
    std::size_t queued = 0;  // next free slot of the ring, in words
    std::size_t next = 0;    // next answer's first word in the ring
    std::string out;
    auto issue = [&] {
        const std::uint32_t offset = k % registers;
        const std::uint32_t value = writes ? pattern(k + 7) : pattern(offset);
        const std::uint32_t base = writes ? writeBase : readBase;
        if (writes) {
            putPacket(out, {0, base, offset, value});
        }
        putPacket(out, {1, base, offset});
        for (std::uint32_t w : {base, offset, value}) {
            expected[queued++ % Connection::kRing] = w;
        }
        ++k;
    };
    long done = 0;
    int inFlight = 0;
    const auto start = Clock::now();
    const auto end = start + std::chrono::duration<double>(seconds);
    for (bool more = true; more || inFlight > 0;) {
        out.clear();
        for (; more && inFlight < window; ++inFlight) {
            issue();
        }
        if (!out.empty()) {
            c.send(out);
        }
        const std::size_t n = c.receive(expected, next);
        inFlight -= static_cast<int>(n);
        done += static_cast<long>(n);
        more = Clock::now() < end;
    }
    return static_cast<double>(done) / std::chrono::duration<double>(Clock::now() - start).count();
}

// The registers that the read cases read, written once through the server.
void fill(std::uint16_t port) {
    Connection c(port);
    std::string out;
    for (std::uint32_t offset = 0; offset < registers; ++offset) {
        putPacket(out, {0, readBase, offset, pattern(offset)});
    }
    putPacket(out, {1, readBase, registers - 1});
    c.send(out);
    std::vector<std::uint32_t> expected{readBase, registers - 1, pattern(registers - 1)};
    expected.resize(Connection::kRing);
    std::size_t next = 0;
    c.receive(expected, next);
}

// A program running on the board, killed at the end.
struct Server {
    Server(const Sim::SimulatedBoard& board, const std::vector<std::string>& argv,
           const std::string& name)
        : output(board.rootDir() + "/" + name + ".out"), pid(board.spawn(argv, output)) {}
    ~Server() {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    // The output once it holds `text`, or empty after 10 s.
    std::string waitFor(const std::string& text) const {
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        for (; Clock::now() < deadline; std::this_thread::sleep_for(std::chrono::milliseconds(5))) {
            const std::string said = Sim::SimulatedBoard::readFile(output);
            if (said.find(text) != std::string::npos) {
                return said;
            }
        }
        return {};
    }
    // Peak and current resident memory, in kB.
    std::pair<long, long> memory() const {
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        long peak = 0;
        long now = 0;
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("VmHWM:", 0) == 0) {
                peak = std::atol(line.c_str() + 6);
            } else if (line.rfind("VmRSS:", 0) == 0) {
                now = std::atol(line.c_str() + 6);
            }
        }
        return {peak, now};
    }
    std::string output;
    pid_t pid;
};

int run(double seconds, int rounds, int clients) {
    Sim::SimulatedBoard board;
    Server daemon(board, {CORVANE_AXID}, "axid");
    Server reference(board, {AXI_REFERENCE, "0"}, "reference");
    const std::string daemonSaid = daemon.waitFor("Waiting for connection");
    const std::string referenceSaid = reference.waitFor("\n");
    if (daemonSaid.empty() || daemonSaid.find("could not start") != std::string::npos) {
        throw std::runtime_error("corvane-axid did not start (is port 9430 taken?)");
    }
    const auto portAt = referenceSaid.find("port ");
    if (portAt == std::string::npos) {
        throw std::runtime_error("axi_reference did not start");
    }
    const auto referencePort = static_cast<std::uint16_t>(std::atoi(&referenceSaid[portAt + 5]));
    fill(daemonPort);
    fill(referencePort);
    const auto before = daemon.memory();

    struct Case {
        const char* what;
        bool writes;
        int window;
        double goal;
    };
    for (const Case& c :
         {Case{"reads lock-step", false, 1, 0.9}, Case{"reads 64 in flight", false, 64, 0.8},
          Case{"writes lock-step", true, 1, 0.9}, Case{"writes 64 in flight", true, 64, 0.8}}) {
        // Best of the rounds, taken in turns: the neighbours' load only ever
        // slows a round down.
        double ours = 0;
        double theirs = 0;
        for (int r = 0; r < rounds; ++r) {
            ours = std::max(ours, measure(daemonPort, c.writes, c.window, seconds));
            theirs = std::max(theirs, measure(referencePort, c.writes, c.window, seconds));
        }
        const Bench::Goal goal{Bench::Goal::ratioAtLeast, c.goal};
        const double ratio = ours / theirs;
        Bench::printRow(std::string("corvane-axid ") + c.what + " " + Bench::formatRate(ours),
                        "axi_reference " + Bench::formatRate(theirs), ratio, goal,
                        goal.met(ratio, 0));
    }

    const auto served = daemon.memory();
    for (int i = 0; i < clients; ++i) {
        measure(daemonPort, false, 1, 0);
    }
    const auto after = daemon.memory();
    std::printf(
        "corvane-axid resident memory, kB: %ld after start, peak %ld serving, "
        "peak %ld / now %ld after %d more clients\n",
        before.second, served.first, after.first, after.second, clients);
    const double growth = static_cast<double>(after.first) / static_cast<double>(served.first);
    Bench::printRow("corvane-axid peak RSS after " + std::to_string(clients) + " clients " +
                        std::to_string(after.first) + " kB",
                    "peak RSS serving " + std::to_string(served.first) + " kB", growth,
                    {Bench::Goal::ratioAtMost, 1.05}, growth <= 1.05);
    return 0;
}

[[noreturn]] void usage(int status) {
    std::fprintf(status == 0 ? stdout : stderr,
                 "usage: axi_bench [--seconds S] [--rounds N] [--clients N]\n"
                 "Register reads and writes per second of corvane-axid against a minimal C\n"
                 "server on the simulated board; one BENCH| row per figure.\n"
                 "  --seconds S  length of each measurement (default 1)\n"
                 "  --rounds N   measurements per server and case, best taken (default 3)\n"
                 "  --clients N  clients served one after another for the memory check "
                 "(default 1000)\n");
    std::exit(status);
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 1.0;
    int rounds = 3;
    int clients = 1000;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help") {
            usage(0);
        }
        if (i + 1 >= argc) {
            usage(2);
        }
        const char* value = argv[++i];
        if (option == "--seconds") {
            seconds = std::atof(value);
        } else if (option == "--rounds") {
            rounds = std::atoi(value);
        } else if (option == "--clients") {
            clients = std::atoi(value);
        } else {
            usage(2);
        }
    }
    if (!(seconds > 0 && seconds <= 60) || rounds < 1 || rounds > 100 || clients < 1 ||
        clients > 100000) {
        usage(2);
    }
    try {
        return run(seconds, rounds, clients);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "axi_bench: %s\n", e.what());
        return 1;
    }
}
