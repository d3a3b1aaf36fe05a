#include <gtest/gtest.h>
#include <poll.h>
#include <sched.h>
#include <spdlog/spdlog.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "app/Logging.h"
#include "support/LogCapture.h"

using namespace Corvane;

namespace {

// Stands in for the system logger: a datagram socket at /dev/log. When the
// machine has one, ours is bind-mounted over it in a private mount namespace;
// otherwise ours is the machine's for the length of the test, and every
// program's syslog() reaches it. The kernel queues only a few datagrams
// (net.unix.max_dgram_qlen, 10 by default) and a full queue blocks senders,
// this test's own logging included, so a thread keeps it drained.
class FakeSyslog {
public:
    FakeSyslog() {
        struct stat st {};
        const bool exists = ::lstat("/dev/log", &st) == 0;
        const std::string path =
            exists ? "/tmp/corvane-fake-log-" + std::to_string(::getpid()) : "/dev/log";
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        if (::geteuid() != 0) {
            reason_ = "needs root to own /dev/log";
        } else if (exists && (::unshare(CLONE_NEWNS) != 0 ||
                              ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)) {
            reason_ = "cannot make a private mount namespace";
        } else if (::unlink(path.c_str());
                   ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            reason_ = "cannot bind " + path;
        } else if (boundPath_ = path;
                   exists && ::mount(path.c_str(), "/dev/log", nullptr, MS_BIND, nullptr) != 0) {
            reason_ = "cannot bind-mount over /dev/log";
        } else {
            drainer_ = std::thread([this] {
                while (!stop_) {
                    pollfd p{fd_, POLLIN, 0};
                    if (::poll(&p, 1, 20) > 0) {
                        const std::lock_guard<std::mutex> lock(mutex_);
                        take();
                    }
                }
            });
        }
    }
    ~FakeSyslog() {
        stop_ = true;
        if (drainer_.joinable()) {
            drainer_.join();
        }
        ::close(fd_);
        if (!boundPath_.empty()) {
            ::unlink(boundPath_.c_str());
        }
    }
    // Empty when ready, else why not.
    const std::string& unusable() const { return reason_; }

    // Every datagram this process sent since the last call (other programs
    // on the machine may log meanwhile; they carry their own ident), as
    // {PRI, text} from "<PRI>Mmm dd hh:mm:ss ident: text", or {-1, datagram}
    // in another form. A sent datagram is already queued, so taking what is
    // left misses none.
    std::vector<std::pair<int, std::string>> drain() {
        const std::lock_guard<std::mutex> lock(mutex_);
        take();
        return std::exchange(received_, {});
    }

private:
    void take() {
        const std::string ours = std::string(" ") + program_invocation_short_name + ": ";
        const std::regex form(R"(^<(\d+)>\w{3} [ \d]\d \d\d:\d\d:\d\d [^:]+: (.*)$)");
        char buffer[4096];
        for (ssize_t n; (n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT)) > 0;) {
            const std::string datagram(buffer, static_cast<size_t>(n));
            std::smatch m;
            if (datagram.find(ours) == std::string::npos) {
                continue;
            }
            received_.emplace_back(std::regex_match(datagram, m, form)
                                       ? std::make_pair(std::stoi(m[1]), m[2].str())
                                       : std::make_pair(-1, datagram));
        }
    }

    int fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    std::string reason_;
    std::string boundPath_;
    std::mutex mutex_;  // over the socket's reads and received_
    std::vector<std::pair<int, std::string>> received_;
    std::atomic<bool> stop_{false};
    std::thread drainer_;
};

TEST(Logging, StdoutLinesAndSyslogPriorities) {
    FakeSyslog syslog;
    if (!syslog.unusable().empty()) {
        GTEST_SKIP() << "syslog capture unavailable: " << syslog.unusable();
    }
    spdlog::drop(appLoggerName);
    ASSERT_TRUE(initLogging(true, defaultLogPath));
    testing::internal::CaptureStdout();

    // Level, text, letter, syslog priority (LOG_USER | the level's).
    const std::tuple<LogLevel, const char*, char, int> cases[] = {
        {LogLevel::info, "TQ Network AXI server: Waiting for connection", 'I', 8 | 6},
        {LogLevel::notice, "a notice", 'N', 8 | 5},
        {LogLevel::warning, "a warning", 'W', 8 | 4},
        {LogLevel::error, "an error", 'E', 8 | 3},
        {LogLevel::critical, "critical", 'C', 8 | 2},
        {LogLevel::alert, "an alert", 'A', 8 | 1},
        {LogLevel::emerg, "an emergency", 'M', 8 | 0},
        // Modules that use the logging library's own calls get the same letters.
        {LogLevel::off, "library error call", 'E', 8 | 3},
    };
    logLine(LogLevel::debug, "dropped debug");
    logLine(LogLevel::trace, "dropped trace");
    spdlog::get(appLoggerName)->debug("library debug dropped");
    for (const auto& [level, text, letter, priority] : cases) {
        if (level == LogLevel::off) {
            spdlog::get(appLoggerName)->error("library {} call", "error");
        } else {
            logLine(level, text);
        }
    }
    const std::vector<std::string> lines = Testing::linesOf(testing::internal::GetCapturedStdout());
    const auto received = syslog.drain();
    ASSERT_EQ(lines.size(), std::size(cases));
    ASSERT_EQ(received.size(), std::size(cases));

    const std::time_t now = std::time(nullptr);
    char year[3];
    std::strftime(year, sizeof year, "%y", std::localtime(&now));
    const std::string tid = std::to_string(::syscall(SYS_gettid));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& [level, text, letter, priority] = cases[i];
        const std::regex form(std::string(R"(^\[)") + year +
                              R"(/\d\d/\d\d-\d\d:\d\d:\d\d:\d\d\d\]\[id:)" + tid + R"(\]\[)" +
                              letter + R"(\]> )" + text + "$");
        EXPECT_TRUE(std::regex_match(lines[i], form)) << lines[i];
        EXPECT_EQ(received[i], std::make_pair(priority, std::string(text)));
    }

    // A second set-up is refused and leaves the first logger and pattern.
    auto first = spdlog::get(appLoggerName);
    EXPECT_FALSE(initLogging(false, defaultLogPath));
    EXPECT_EQ(spdlog::get(appLoggerName), first);

    // Without standard output only syslog hears.
    spdlog::drop(appLoggerName);
    ASSERT_TRUE(initLogging(false, defaultLogPath));
    testing::internal::CaptureStdout();
    logLine(LogLevel::info, "only to syslog");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(syslog.drain(),
              (std::vector<std::pair<int, std::string>>{{8 | 6, "only to syslog"}}));
    spdlog::drop(appLoggerName);
}

// Out-of-range levels count as off; without a logger lines are dropped.
TEST(Logging, LevelTableAndNoLogger) {
    std::string letters;  // levels -1 to 10
    for (int level = -1; level <= 10; ++level) {
        letters += logLevelLetter(level);
    }
    EXPECT_EQ(letters, "OTDINWECAMOO");
    EXPECT_EQ(logLevelSyslogPriority(9), 6);  // off -> LOG_INFO
    spdlog::drop(appLoggerName);
    logLine(LogLevel::error, "nobody listens");
    logf(LogLevel::info, "{} {}", QString::fromUtf8("\xc3\xa9t\xc3\xa9"), 3);
}

}  // namespace
