#include "HdmiEventFifo.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/CommandLine.h"

namespace Corvane::Sim {

// corvane-simboard exits 2 whenever it cannot set up what it was asked for.
HdmiEventFifo::HdmiEventFifo(const QString& path, HdmiTransmitter& hdmi)
    : path_(path.toStdString()) {
    if (::mkfifo(path_.c_str(), 0600) != 0 && errno != EEXIST) {
        throw Tools::ToolError(
            QStringLiteral("--hdmi-events: cannot create %1: %2").arg(path, strerror(errno)),
            Tools::usageStatus);
    }
    // Opened for writing too, so that the last writer's close is no end.
    fifo_ = ::open(path_.c_str(), O_RDWR | O_CLOEXEC);
    if (fifo_ < 0 || ::pipe2(stop_, O_CLOEXEC) != 0) {
        throw Tools::ToolError(
            QStringLiteral("--hdmi-events: cannot open %1: %2").arg(path, strerror(errno)),
            Tools::usageStatus);
    }
    reader_ = std::thread([this, &hdmi] { serve(hdmi); });
}

HdmiEventFifo::~HdmiEventFifo() {
    (void)!::write(stop_[1], "x", 1);
    reader_.join();
    ::close(fifo_);
    ::close(stop_[0]);
    ::close(stop_[1]);
    ::unlink(path_.c_str());
}

void HdmiEventFifo::serve(HdmiTransmitter& hdmi) {
    std::string pending;
    for (;;) {
        pollfd fds[2] = {{fifo_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        char buffer[256];
        const ssize_t n = fds[0].revents ? ::read(fifo_, buffer, sizeof buffer) : 0;
        pending.append(buffer, n > 0 ? static_cast<size_t>(n) : 0);
        for (size_t end; (end = pending.find_first_of(" \n")) != std::string::npos;) {
            const std::string word = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (!word.empty() && !hdmi.command(word)) {
                std::fprintf(stderr,
                             "corvane-simboard: '%s' is no HDMI event (plug, unplug, sense, "
                             "nosense)\n",
                             word.c_str());
            }
        }
        if (pending.size() > 64) {
            pending.clear();  // no word is that long
        }
    }
}

}  // namespace Corvane::Sim
