// corvane-simboard: builds a simulated controller board (a umockdev testbed)
// and runs the daemon, or any other command, on it.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <memory>

#include "HdmiEventFifo.h"
#include "SimulatedBoard.h"
#include "common/CommandLine.h"

using Corvane::Sim::BoardConfig;
using Corvane::Tools::parseNumber;
using Corvane::Tools::ToolError;

namespace {

volatile sig_atomic_t childPid = 0;
volatile sig_atomic_t pendingSignal = 0;

void forwardSignal(int sig) {
    if (childPid > 0) {
        ::kill(childPid, sig);
    } else {
        pendingSignal = sig;
    }
}

// Whatever stops the board from being built as asked exits 2, as a usage
// error does: the command was never run.
[[noreturn]] void refuse(const QString& message) {
    throw ToolError(message, Corvane::Tools::usageStatus);
}

std::uint32_t number(const QString& option, const QString& text) {
    const auto value = parseNumber(text);
    if (!value) {
        refuse(QStringLiteral("--%1: '%2' is not a number").arg(option, text));
    }
    return *value;
}

// "none" leaves the board unfitted; its identity lines are then unreadable.
std::optional<int> boardId(const QCommandLineParser& p, const QString& option,
                           std::optional<int> fallback) {
    if (!p.isSet(option)) {
        return fallback;
    }
    const QString text = p.value(option);
    if (text == QLatin1String("none")) {
        return std::nullopt;
    }
    return static_cast<int>(number(option, text));
}

// "fpga-temp (52), cpu-temp (47.5), ...": the readings with their defaults.
QString sensorNames() {
    const auto defaults = Corvane::Sim::defaultSensorValues();
    QStringList names;
    for (int r = 0; r < Corvane::Sim::readingCount; ++r) {
        names << QStringLiteral("%1 (%2)")
                     .arg(Corvane::Sim::readingName(static_cast<Corvane::Sim::Reading>(r)))
                     .arg(*defaults[static_cast<std::size_t>(r)]);
    }
    return names.join(QStringLiteral(", "));
}

BoardConfig configFrom(const QCommandLineParser& p) {
    BoardConfig c;
    c.mainId = boardId(p, "main", c.mainId);
    c.mezzanineId = boardId(p, "mezzanine", c.mezzanineId);
    c.frontPanelId = boardId(p, "frontpanel", c.frontPanelId);

    if (p.isSet("no-fpga")) {
        c.fpga.reset();
    }
    if (p.isSet("fpga-version") && c.fpga) {
        static const QRegularExpression form(QStringLiteral("^(\\d+)\\.(\\d+)\\.(\\d+)\\+(\\d+)$"));
        const auto m = form.match(p.value("fpga-version"));
        if (!m.hasMatch()) {
            refuse(QStringLiteral("--fpga-version: expected MAJ.MIN.PATCH+BUILD, got '%1'")
                       .arg(p.value("fpga-version")));
        }
        c.fpga->major = number("fpga-version", m.captured(1));
        c.fpga->minor = number("fpga-version", m.captured(2));
        c.fpga->patch = number("fpga-version", m.captured(3));
        c.fpga->build = number("fpga-version", m.captured(4));
    }
    if (p.isSet("fpga-design-id") && c.fpga) {
        c.fpga->designId = number("fpga-design-id", p.value("fpga-design-id"));
    }

    c.window = !p.isSet("no-window");
    static const QRegularExpression regForm(QStringLiteral("^([^:=]+):([^:=]+)=(.+)$"));
    for (const QString& r : p.values("reg")) {
        const auto m = regForm.match(r);
        if (!m.hasMatch()) {
            refuse(QStringLiteral("--reg: expected BASE:OFFSET=VALUE, got '%1'").arg(r));
        }
        c.registers.push_back({number("reg", m.captured(1)), number("reg", m.captured(2)),
                               number("reg", m.captured(3))});
    }

    if (p.isSet("no-flash")) {
        c.serialMac.reset();
    }
    if (p.isSet("serial") && c.serialMac) {
        const std::uint32_t serial = number("serial", p.value("serial"));
        if (serial > 999999) {
            refuse(QStringLiteral("--serial: the record holds six digits, got %1").arg(serial));
        }
        c.serialMac->serial = serial;
    }
    if (p.isSet("mac") && c.serialMac) {
        const QStringList octets = p.value("mac").split(':');
        bool ok = octets.size() == 6;
        for (int i = 0; ok && i < 6; ++i) {
            const uint octet = octets[i].toUInt(&ok, 16);
            ok = ok && octets[i].size() <= 2 && octet <= 0xFF;
            c.serialMac->mac[static_cast<size_t>(i)] = static_cast<std::uint8_t>(octet);
        }
        if (!ok) {
            refuse(QStringLiteral("--mac: expected six hexadecimal octets like 02:00:5e:c0:ff:ee"));
        }
    }
    c.imageFlash = !p.isSet("no-image-flash");
    c.watchdog = !p.isSet("no-watchdog");
    c.hdmi = !p.isSet("no-hdmi");

    for (const QString& s : p.values("sensor")) {
        const int eq = s.indexOf('=');
        const auto reading = Corvane::Sim::readingNamed(s.left(eq).toStdString());
        if (eq < 0 || !reading) {
            refuse(QStringLiteral("--sensor: expected NAME=VALUE with NAME one of %1; got '%2'")
                       .arg(sensorNames(), s));
        }
        const QString text = s.mid(eq + 1);
        auto& slot = c.sensors[static_cast<std::size_t>(*reading)];
        if (text == QLatin1String("none")) {
            slot.reset();
            continue;
        }
        bool ok = false;
        slot = text.toDouble(&ok);
        if (!ok || !std::isfinite(*slot)) {
            refuse(QStringLiteral("--sensor: '%1' is neither a number nor 'none'").arg(text));
        }
    }
    return c;
}

int run(const QCommandLineParser& p);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("corvane-simboard");

    QCommandLineParser p;
    p.setApplicationDescription(
        "Builds a simulated Corvane controller board (a umockdev testbed with the register\n"
        "window, board-id GPIO lines, FPGA proc file, LED PWM chips, flash partitions,\n"
        "watchdog, hwmon monitoring chips and HDMI transmitter) and runs COMMAND on it, by\n"
        "default the daemon corvane-axid next to this program. Run as root, COMMAND sees\n"
        "<testbed>/rootfs as / in a private mount namespace: the host's entries are bound in,\n"
        "but new top-level files (the /nostart marker) and /var/volatile stay in the testbed.\n"
        "SIGINT and SIGTERM are passed on; the testbed is removed afterwards unless --keep is\n"
        "given. Numbers are decimal or 0x-hex.");
    p.addOptions({
        {"main", "Main board identity (0-127), or 'none' for unreadable lines.", "ID"},
        {"mezzanine", "Mezzanine board identity (0-31), or 'none'.", "ID"},
        {"frontpanel", "Front panel identity (0-127), or 'none'.", "ID"},
        {"fpga-version", "FPGA version in /proc/corv_pcie (default 1.4.2+311).",
         "MAJ.MIN.PATCH+BUILD"},
        {"fpga-design-id", "FPGA design id in /proc/corv_pcie (default 7).", "N"},
        {"no-fpga", "No /proc/corv_pcie (PCIe driver not loaded)."},
        {"no-window", "No /dev/xdma0_user register window."},
        {"reg", "Initial register value; may be repeated.", "BASE:OFFSET=VALUE"},
        {"serial", "Serial number in the flash record (default 123456).", "N"},
        {"mac", "MAC address in the flash record.", "XX:XX:XX:XX:XX:XX"},
        {"no-flash", "No /dev/mtd8 flash partition."},
        {"no-image-flash", "No /dev/mtd9 image partition (1 MiB of NOR flash)."},
        {"no-watchdog", "No /dev/watchdog."},
        {"no-hdmi", "No /dev/i2c-3 HDMI transmitter and no interrupt line gpio63."},
        {"hdmi-events",
         "Create the FIFO PATH; each word written to it is an HDMI event: plug, unplug, sense "
         "or nosense (monitor sense alone).",
         "PATH"},
        {"sensor",
         QStringLiteral("Health reading in °C, V or RPM, or 'none' for no input file; may be "
                        "repeated. NAME (default): %1.")
             .arg(sensorNames()),
         "NAME=VALUE"},
        {"keep", "Keep the testbed directory when done."},
        {"testbed-file", "Write the testbed directory's path to FILE.", "FILE"},
    });
    p.addPositionalArgument("COMMAND", "Program and arguments to run instead of the daemon.",
                            "[-- COMMAND [ARGS...]]");
    if (const auto status = Corvane::Tools::parseArguments(p)) {
        return *status;
    }
    try {
        return run(p);
    } catch (const ToolError& e) {
        return Corvane::Tools::fail(e);
    }
}

namespace {

// Builds the board, runs the command on it and returns its exit status.
int run(const QCommandLineParser& p) {
    const BoardConfig config = configFrom(p);
    std::vector<std::string> command;
    for (const QString& a : p.positionalArguments()) {
        command.push_back(a.toStdString());
    }
    if (command.empty()) {
        command.push_back(
            QDir(QCoreApplication::applicationDirPath()).filePath("corvane-axid").toStdString());
    }

    std::unique_ptr<Corvane::Sim::SimulatedBoard> board;
    try {
        board = std::make_unique<Corvane::Sim::SimulatedBoard>(config);
    } catch (const std::exception& e) {
        refuse(QStringLiteral("cannot build the simulated board: %1").arg(e.what()));
    }
    board->keep(p.isSet("keep"));
    std::unique_ptr<Corvane::Sim::HdmiEventFifo> hdmiEvents;
    if (p.isSet("hdmi-events")) {
        if (board->hdmi() == nullptr) {
            refuse(QStringLiteral("--hdmi-events: there is no HDMI transmitter (--no-hdmi)"));
        }
        hdmiEvents =
            std::make_unique<Corvane::Sim::HdmiEventFifo>(p.value("hdmi-events"), *board->hdmi());
    }
    const QString root = QString::fromStdString(board->rootDir());
    std::fprintf(stderr, "corvane-simboard: testbed %s (register window %s)\n", qPrintable(root),
                 board->windowPath().c_str());
    const QString testbedFile = p.value("testbed-file");
    if (!testbedFile.isEmpty()) {
        QFile f(testbedFile);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            f.write(root.toUtf8() + '\n') < 0) {
            refuse(QStringLiteral("cannot write %1: %2").arg(testbedFile, f.errorString()));
        }
    }

    struct sigaction action {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(sig, &action, nullptr);
    }

    pid_t pid = -1;
    try {
        pid = board->spawn(command);
    } catch (const std::exception& e) {
        refuse(QStringLiteral("cannot start %1: %2")
                   .arg(QString::fromStdString(command[0]), e.what()));
    }
    childPid = pid;
    if (pendingSignal != 0) {
        ::kill(pid, pendingSignal);
    }

    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    int exitCode = 0;
    if (WIFSIGNALED(status)) {
        std::fprintf(stderr, "corvane-simboard: %s ended by signal %d\n", command[0].c_str(),
                     WTERMSIG(status));
        exitCode = 128 + WTERMSIG(status);
    } else {
        exitCode = WEXITSTATUS(status);
    }
    if (p.isSet("keep")) {
        std::fprintf(stderr, "corvane-simboard: testbed kept at %s\n", qPrintable(root));
    } else if (!testbedFile.isEmpty()) {
        QFile::remove(testbedFile);
    }
    hdmiEvents.reset();
    board.reset();
    return exitCode;
}

}  // namespace
