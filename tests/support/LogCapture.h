#pragma once

#include <spdlog/sinks/ostream_sink.h>
#include <spdlog/spdlog.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace Corvane::Testing {

// Replaces the "TQLOG" logger for the lifetime of the object with one that
// records "<letter> <text>" lines, so tests can check what was logged.
class LogCapture {
public:
    LogCapture() {
        spdlog::drop("TQLOG");
        auto sink = std::make_shared<spdlog::sinks::ostream_sink_mt>(stream_);
        logger_ = std::make_shared<spdlog::logger>("TQLOG", sink);
        logger_->set_level(spdlog::level::info);
        logger_->set_pattern("%v");
        spdlog::register_logger(logger_);
    }
    ~LogCapture() { spdlog::drop("TQLOG"); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // Every line logged so far, oldest first.
    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        std::istringstream in(stream_.str());
        for (std::string line; std::getline(in, line);) {
            out.push_back(line);
        }
        return out;
    }
    bool contains(const std::string& text) const {
        return stream_.str().find(text) != std::string::npos;
    }
    void clear() { stream_.str({}); }

private:
    std::ostringstream stream_;
    std::shared_ptr<spdlog::logger> logger_;
};

}  // namespace Corvane::Testing
