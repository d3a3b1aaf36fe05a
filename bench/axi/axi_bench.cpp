// Register reads and writes per second served by corvane-axid on the
// simulated board, against axi_reference (a minimal blocking C server) on
// the same board in the same run, lock-step and with 64 requests in flight.
// Every answer is checked; a write counts once its read-back answered with
// the value written. Also the daemon's peak resident memory before and after
// serving 1000 clients one after another.
//
// The daemon listens on the fixed port AxiTcpServer::defaultPort. Where it may (as root), the
// benchmark runs in a network namespace of its own, so a daemon of the tests
// running meanwhile neither blocks the port nor gets the benchmark's clients.

#include <net/if.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
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
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "SimulatedBoard.h"
#include "axi/AxiTcpServer.h"
#include "support/BenchReport.h"

namespace {

using namespace Corvane;
using Clock = std::chrono::steady_clock;

constexpr std::uint16_t daemonPort = AxiTcpServer::defaultPort;
constexpr unsigned int readBase = 1;   // filled once, then only read
constexpr unsigned int writeBase = 2;  // written and read back
constexpr unsigned int registers = 1024;
// The daemon's rate against the model's: its own work per request should
// hardly show beside the system calls that both make.
constexpr double kModelGoal = 0.97;

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

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// A network namespace of this process's own with its loopback up; false
// (and nothing changed) where that is not allowed.
bool ownNetwork() {
    if (::unshare(CLONE_NEWNET) != 0) {
        return false;
    }
    ifreq request{};
    std::strcpy(request.ifr_name, "lo");
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    bool up = fd >= 0 && ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
    up = up && ::ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    ::close(fd);
    return up;
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
    // User and system time used so far.
    double cpuSeconds() const {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        // Fields 14 and 15, counted after the parenthesised name.
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::string skip;
        for (int i = 3; i < 14; ++i) {
            fields >> skip;
        }
        double user = 0;
        double system = 0;
        fields >> user >> system;
        return (user + system) / static_cast<double>(::sysconf(_SC_CLK_TCK));
    }
    std::pair<long, long> memory() const { return Bench::residentKb(pid); }
    std::string output;
    pid_t pid;
    std::uint16_t port = 0;
};

int run(double seconds, int rounds, int clients) {
    Sim::SimulatedBoard board;
    Server daemon(board, {CORVANE_AXID}, "axid");
    Server reference(board, {AXI_REFERENCE, "0"}, "reference");
    Server qtWaits(board, {AXI_REFERENCE, "0", "--qt-waits"}, "reference-qt-waits");
    const std::string daemonSaid = daemon.waitFor("Waiting for connection");
    if (daemonSaid.empty() || daemonSaid.find("could not start") != std::string::npos) {
        throw std::runtime_error("corvane-axid did not start (is port " +
                                 std::to_string(daemonPort) + " taken?)");
    }
    daemon.port = daemonPort;
    for (Server* server : {&reference, &qtWaits}) {
        const std::string said = server->waitFor("\n");
        const auto at = said.find("port ");
        if (at == std::string::npos) {
            throw std::runtime_error("axi_reference did not start");
        }
        server->port = static_cast<std::uint16_t>(std::atoi(&said[at + 5]));
    }
    Server* const servers[] = {&daemon, &reference, &qtWaits};
    for (const Server* server : servers) {
        fill(server->port);
    }
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
        // Short measurements of the servers in turns, each round starting
        // with another; the median of the rounds' ratios, as the neighbours'
        // load changes between rounds far more than within one.
        constexpr std::size_t n = std::size(servers);
        std::vector<double> rates[n];
        std::vector<double> ratios[n];
        double cpu[n] = {};
        for (int r = 0; r < rounds; ++r) {
            double rate[n];
            for (std::size_t turn = 0; turn < n; ++turn) {
                const std::size_t i = (turn + static_cast<std::size_t>(r)) % n;
                const double used = servers[i]->cpuSeconds();
                rate[i] = measure(servers[i]->port, c.writes, c.window, seconds);
                cpu[i] += (servers[i]->cpuSeconds() - used) / (rate[i] * seconds);
            }
            for (std::size_t i = 0; i < n; ++i) {
                rates[i].push_back(rate[i]);
                ratios[i].push_back(rate[i] / rate[1]);
            }
        }
        const Bench::Goal goal{Bench::Goal::ratioAtLeast, c.goal};
        const std::string baseline = "axi_reference " + Bench::formatRate(median(rates[1]));
        const double ratio = median(ratios[0]);
        // The daemon against what its system calls alone allow, per round.
        std::vector<double> againstModel;
        for (int r = 0; r < rounds; ++r) {
            againstModel.push_back(rates[0][r] / rates[2][r]);
        }
        const Bench::Goal modelGoal{Bench::Goal::ratioAtLeast, kModelGoal};
        const double modelRatio = median(againstModel);
        char model[96];
        std::snprintf(model, sizeof model, "%.3gx (%s) goal %s: %s", modelRatio,
                      Bench::formatSpread(againstModel).c_str(), modelGoal.text().c_str(),
                      *modelGoal.met(modelRatio, 0) ? "yes" : "no");
        Bench::printRow(
            std::string("corvane-axid ") + c.what + " " + Bench::formatRate(median(rates[0])),
            baseline, ratio, goal, goal.met(ratio, 0), Bench::formatSpread(ratios[0]), model);
        // What QTcpSocket's waits alone allow: the ceiling of the goal above.
        Bench::printRow(std::string("axi_reference --qt-waits ") + c.what + " " +
                            Bench::formatRate(median(rates[2])),
                        baseline, median(ratios[2]), {}, std::nullopt,
                        Bench::formatSpread(ratios[2]));
        std::printf(
            "  server CPU per request: corvane-axid %.2f us, axi_reference %.2f us, "
            "with --qt-waits %.2f us\n",
            cpu[0] / rounds * 1e6, cpu[1] / rounds * 1e6, cpu[2] / rounds * 1e6);
    }

    const auto served = daemon.memory();
    for (int i = 0; i < clients; ++i) {
        measure(daemon.port, false, 1, 0);
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
                 "  --seconds S  length of each measurement (default 0.3)\n"
                 "  --rounds N   measurements per server and case (default 10)\n"
                 "  --clients N  clients served one after another for the memory check "
                 "(default 1000)\n");
    std::exit(status);
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 0.3;
    int rounds = 10;
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
    if (!ownNetwork()) {
        std::fprintf(stderr, "axi_bench: no network namespace of its own; sharing port %u\n",
                     static_cast<unsigned>(daemonPort));
    }
    try {
        return run(seconds, rounds, clients);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "axi_bench: %s\n", e.what());
        return 1;
    }
}
