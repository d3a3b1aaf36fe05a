#pragma once

#include <spdlog/sinks/ostream_sink.h>
#include <spdlog/spdlog.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/Logging.h"

namespace Corvane::Testing {

// The lines of a text, without their line ends.
inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}

// Replaces the application logger for the lifetime of the object with one
// that records its lines, so tests can check what was logged.
class LogCapture {
public:
    // What a recorded line holds: the text alone, or the logging library's
    // level letter, a space and the text ("W Reserved bit ..."; notice reads
    // as I, alert and emerg as C).
    enum Form { text, levelAndText };

    explicit LogCapture(Form form = text) {
        spdlog::drop(appLoggerName);
        auto sink = std::make_shared<spdlog::sinks::ostream_sink_mt>(stream_);
        logger_ = std::make_shared<spdlog::logger>(appLoggerName, sink);
        logger_->set_level(spdlog::level::info);
        logger_->set_pattern(form == levelAndText ? "%L %v" : "%v");
        spdlog::register_logger(logger_);
    }
    ~LogCapture() { spdlog::drop(appLoggerName); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // Every line logged so far, oldest first.
    std::vector<std::string> lines() const { return linesOf(stream_.str()); }
    bool contains(const std::string& text) const {
        return stream_.str().find(text) != std::string::npos;
    }
    void clear() { stream_.str({}); }

private:
    std::ostringstream stream_;
    std::shared_ptr<spdlog::logger> logger_;
};

}  // namespace Corvane::Testing
