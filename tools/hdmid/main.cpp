// corvane-hdmid: programs the controller's HDMI transmitter and keeps it
// programmed while displays come and go.

#include <fcntl.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/CommandLine.h"
#include "platform/hdmi.h"

namespace {

// The library aborts on a missing device; the tool says so in one line first.
bool canOpen(const char* path, int flags) {
    const int fd = ::open(path, flags);
    if (fd < 0) {
        std::fprintf(stderr, "corvane-hdmid: cannot open %s: %s\n", path, std::strerror(errno));
        return false;
    }
    ::close(fd);
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("corvane-hdmid"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Programs the HDMI transmitter (0x39 on /dev/i2c-3) and re-programs it whenever its\n"
        "interrupt line (/sys/class/gpio/gpio63/value, configured for edges) reports a display\n"
        "plugged in or sensed; writes 0x10 to register 0x41 when the display goes.\n"
        "SIGINT stops it (exit status 0); SIGHUP re-opens and re-programs the transmitter.");
    if (const auto status = Corvane::Tools::parseArguments(parser)) {
        return *status;
    }
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "corvane-hdmid: no arguments expected (see --help)\n");
        return 2;
    }
    if (!canOpen(hdmiBusPath, O_RDWR) || !canOpen(hdmiInterruptPath, O_RDONLY)) {
        return 1;
    }

    int bus = initHDMI();
    std::fprintf(stderr, "corvane-hdmid: transmitter programmed, watching %s\n", hdmiInterruptPath);
    pollHDMI(&bus);
    ::close(bus);
    return 0;
}
