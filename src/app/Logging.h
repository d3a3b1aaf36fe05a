#pragma once

#include <fmt/format.h>

#include <QString>
#include <string>
#include <string_view>
#include <utility>

namespace Corvane {

// The instrument's log directory, handed to initLogging by the daemon.
inline constexpr const char* defaultLogPath = "/home/transfer/log/";

// The name under which the one application logger is registered.
inline constexpr const char* appLoggerName = "TQLOG";

// The line pattern of the standard-output sink.
inline constexpr const char* logPattern = "[%C/%m/%d-%T:%e][id:%t][%L]> %v";

// The system's ten levels. The logging library knows seven of them; notice,
// alert and emerg travel as info/critical with their own level attached, so
// the letter and the syslog priority still tell them apart.
enum class LogLevel : int {
    trace = 0,
    debug = 1,
    info = 2,
    notice = 3,
    warning = 4,
    error = 5,
    critical = 6,
    alert = 7,
    emerg = 8,
    off = 9,
};

// Letter printed for %L and syslog priority of a level (0..9); anything
// outside the range is treated as "off".
char logLevelLetter(int level);
int logLevelSyslogPriority(int level);

// Creates the "TQLOG" logger: stdout sink first when alsoToStdout, then the
// syslog sink. Returns false when a logger of that name already exists.
bool initLogging(bool alsoToStdout, const char* logDirectory);

// Writes one line through the registered "TQLOG" logger, looked up by name
// on every call. Without a registered logger the line is dropped.
void logLine(LogLevel level, std::string_view text);

template <typename... Args>
void logf(LogLevel level, fmt::format_string<Args...> format, Args&&... args) {
    logLine(level, fmt::format(format, std::forward<Args>(args)...));
}

}  // namespace Corvane

// Qt strings go to the log as UTF-8.
template <>
struct fmt::formatter<QString> : fmt::formatter<std::string_view> {
    template <typename Ctx>
    auto format(const QString& s, Ctx& ctx) const {
        const QByteArray utf8 = s.toUtf8();
        return fmt::formatter<std::string_view>::format(
            std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())), ctx);
    }
};
