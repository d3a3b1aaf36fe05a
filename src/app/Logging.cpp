#include "app/Logging.h"

#include <spdlog/pattern_formatter.h>
#include <spdlog/sinks/base_sink.h>
#include <spdlog/sinks/stdout_sinks.h>
#include <spdlog/spdlog.h>
#include <syslog.h>

#include <array>
#include <mutex>

namespace Corvane {
namespace {

struct LevelInfo {
    char letter;
    int priority;
};

constexpr std::array<LevelInfo, 10> kLevels = {{
    {'T', LOG_DEBUG},
    {'D', LOG_DEBUG},
    {'I', LOG_INFO},
    {'N', LOG_NOTICE},
    {'W', LOG_WARNING},
    {'E', LOG_ERR},
    {'C', LOG_CRIT},
    {'A', LOG_ALERT},
    {'M', LOG_EMERG},
    {'O', LOG_INFO},
}};

// Marks a message whose system level is carried in source_loc.line (the
// pattern never prints source locations, so the field is free).
const char kSystemLevelTag[] = "corvane-level";

spdlog::level::level_enum toLibraryLevel(LogLevel level) {
    switch (level) {
        case LogLevel::trace:
            return spdlog::level::trace;
        case LogLevel::debug:
            return spdlog::level::debug;
        case LogLevel::info:
        case LogLevel::notice:
            return spdlog::level::info;
        case LogLevel::warning:
            return spdlog::level::warn;
        case LogLevel::error:
            return spdlog::level::err;
        case LogLevel::critical:
        case LogLevel::alert:
        case LogLevel::emerg:
            return spdlog::level::critical;
        case LogLevel::off:
            break;
    }
    return spdlog::level::off;
}

int systemLevelOf(const spdlog::details::log_msg& msg) {
    if (msg.source.filename == kSystemLevelTag) {
        return msg.source.line;
    }
    switch (msg.level) {
        case spdlog::level::trace:
            return 0;
        case spdlog::level::debug:
            return 1;
        case spdlog::level::info:
            return 2;
        case spdlog::level::warn:
            return 4;
        case spdlog::level::err:
            return 5;
        case spdlog::level::critical:
            return 6;
        default:
            return 9;
    }
}

class LevelLetterFlag : public spdlog::custom_flag_formatter {
public:
    void format(const spdlog::details::log_msg& msg, const std::tm&,
                spdlog::memory_buf_t& dest) override {
        dest.push_back(logLevelLetter(systemLevelOf(msg)));
    }
    std::unique_ptr<custom_flag_formatter> clone() const override {
        return std::make_unique<LevelLetterFlag>();
    }
};

// Passes the bare message text to syslog with the system level's priority.
class SyslogSink : public spdlog::sinks::base_sink<std::mutex> {
public:
    SyslogSink() { ::openlog(nullptr, 0, LOG_USER); }
    ~SyslogSink() override { ::closelog(); }

protected:
    void sink_it_(const spdlog::details::log_msg& msg) override {
        const int priority = logLevelSyslogPriority(systemLevelOf(msg));
        ::syslog(priority, "%.*s", static_cast<int>(msg.payload.size()), msg.payload.data());
    }
    void flush_() override {}
};

}  // namespace

char logLevelLetter(int level) {
    return (level >= 0 && level < 10) ? kLevels[static_cast<size_t>(level)].letter : 'O';
}

int logLevelSyslogPriority(int level) {
    return (level >= 0 && level < 10) ? kLevels[static_cast<size_t>(level)].priority : LOG_INFO;
}

bool initLogging(bool alsoToStdout, const char* logDirectory) {
    (void)logDirectory;  // no sink writes files; kept for the callers' interface
    try {
        std::vector<spdlog::sink_ptr> sinks;
        if (alsoToStdout) {
            sinks.push_back(std::make_shared<spdlog::sinks::stdout_sink_mt>());
        }
        sinks.push_back(std::make_shared<SyslogSink>());
        auto logger = std::make_shared<spdlog::logger>(appLoggerName, sinks.begin(), sinks.end());
        logger->set_level(spdlog::level::info);
        spdlog::register_logger(logger);
        auto formatter = std::make_unique<spdlog::pattern_formatter>();
        formatter->add_flag<LevelLetterFlag>('L').set_pattern(logPattern);
        spdlog::set_formatter(std::move(formatter));
    } catch (const spdlog::spdlog_ex&) {
        return false;
    }
    return true;
}

void logLine(LogLevel level, std::string_view text) {
    auto logger = spdlog::get(appLoggerName);
    if (!logger || level == LogLevel::off) {
        return;
    }
    const spdlog::source_loc where{kSystemLevelTag, static_cast<int>(level), nullptr};
    logger->log(where, toLibraryLevel(level), "{}", text);
}

}  // namespace Corvane
