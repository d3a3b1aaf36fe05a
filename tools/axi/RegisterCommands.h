#pragma once

// corvane-axi's commands on named registers, from an IP-XACT register map:
// regs, dump, watch, read NAME[.FIELD] and write NAME[.FIELD]=VALUE.

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>

namespace Corvane::Tools {

// How the commands reach the registers: one connection to the daemon.
class RegisterBus {
public:
    virtual ~RegisterBus() = default;
    virtual std::uint32_t read(std::uint32_t base, std::uint32_t offset) = 0;
    virtual void write(std::uint32_t base, std::uint32_t offset, std::uint32_t value) = 0;
};

// --map, --force and --count.
void addRegisterOptions(QCommandLineParser& parser);

// regs, dump, watch, and read or write with a name instead of numbers.
bool isRegisterCommand(const QStringList& args);

// Runs one; returns the exit status, having printed a one-line error when
// it is not 0. `connect` opens a connection (watch opens one per poll, so
// that the daemon, which serves one client at a time, stays free between
// polls); failures to reach the daemon propagate as `connect` and the bus
// throw them.
// The parser gives --map, --force, --count, --json and --interval (watch
// polls every 100 ms unless it is given).
int runRegisterCommand(const QStringList& args, const QCommandLineParser& parser,
                       const std::function<std::unique_ptr<RegisterBus>()>& connect);

}  // namespace Corvane::Tools
