// corvane-axi: reads and writes FPGA registers through the daemon on port
// AxiTcpServer::defaultPort and asks it for the mezzanine board's identity.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <optional>
#include <variant>
#include <vector>

#include "axi/AxiNetworkUtil.h"
#include "axi/AxiTcpServer.h"
#include "common/CommandLine.h"

using namespace Corvane;
using Tools::ToolError;
using Tools::usageStatus;

namespace {

// Requests in flight during a multi-register read: enough to keep the
// connection busy, few enough that neither side's buffers fill up.
constexpr int readWindow = 64;

QString hex(std::uint32_t v) {
    return QStringLiteral("0x%1").arg(v, 8, 16, QLatin1Char('0'));
}

// One connection to the daemon, answers taken strictly in request order.
class Session {
public:
    Session(const QString& host, quint16 port, int timeoutMs)
        : where_(QStringLiteral("%1:%2").arg(host).arg(port)), timeoutMs_(timeoutMs) {
        socket_.connectToHost(host, port);
        if (!socket_.waitForConnected(timeoutMs_)) {
            throw ToolError(
                QStringLiteral("cannot connect to %1: %2").arg(where_, socket_.errorString()));
        }
    }
    ~Session() {
        if (socket_.state() == QAbstractSocket::ConnectedState) {
            socket_.disconnectFromHost();
            if (socket_.state() != QAbstractSocket::UnconnectedState) {
                socket_.waitForDisconnected(timeoutMs_);
            }
        }
    }

    void send(const AxiNetworkTransaction& t) {
        if (!AxiNetworkUtil::sendPacket(AxiNetworkUtil::encodeTransaction(t), socket_)) {
            throw ToolError(
                QStringLiteral("sending to %1 failed: %2").arg(where_, socket_.errorString()));
        }
    }

    // Makes sure what was sent has left this process (a write has no answer).
    void drain() {
        while (socket_.bytesToWrite() > 0) {
            if (!socket_.waitForBytesWritten(timeoutMs_)) {
                throw ToolError(
                    QStringLiteral("sending to %1 failed: %2").arg(where_, socket_.errorString()));
            }
        }
    }

    std::uint32_t readResponse(std::uint32_t base, std::uint32_t offset, int waitMs) {
        if (const auto value = readResponseWithin(base, offset, waitMs)) {
            return *value;
        }
        throw noAnswer(waitMs);
    }

    // The same, but no answer within waitMs is left to the caller to report.
    std::optional<std::uint32_t> readResponseWithin(std::uint32_t base, std::uint32_t offset,
                                                    int waitMs) {
        const auto words = nextPacket(waitMs);
        if (!words) {
            return std::nullopt;
        }
        const auto t = AxiNetworkUtil::decodeWords(*words);
        const auto* r = std::get_if<AxiReadResponseNetworkTransaction>(&t);
        if (r == nullptr || r->base != base || r->offset != offset) {
            throw ToolError(QStringLiteral("unexpected answer from %1 to the read of %2:%3")
                                .arg(where_)
                                .arg(base)
                                .arg(hex(offset)));
        }
        return r->value;
    }

    std::uint32_t versionResponse() {
        const auto words = nextPacket(timeoutMs_);
        if (!words) {
            throw noAnswer(timeoutMs_);
        }
        const auto t = AxiNetworkUtil::decodeWords(*words);
        const auto* r = std::get_if<MezzanineVersionResponseNetworkTransaction>(&t);
        if (r == nullptr) {
            throw ToolError(
                QStringLiteral("unexpected answer from %1 to the version request").arg(where_));
        }
        return r->version;
    }

    int timeoutMs() const { return timeoutMs_; }

    ToolError noAnswer(int waitMs) const {
        return ToolError(QStringLiteral("no answer from %1 within %2 ms (it serves one "
                                        "client at a time: is another one connected?)")
                             .arg(where_)
                             .arg(waitMs));
    }

private:
    // Nothing when no whole packet arrived within waitMs.
    std::optional<std::deque<unsigned int>> nextPacket(int waitMs) {
        QElapsedTimer timer;
        timer.start();
        for (;;) {
            if (auto words = parser_.next()) {
                return words;
            }
            const qint64 left = waitMs - timer.elapsed();
            if (left <= 0) {
                return std::nullopt;
            }
            if (!socket_.waitForReadyRead(static_cast<int>(left)) &&
                socket_.state() != QAbstractSocket::ConnectedState) {
                throw ToolError(QStringLiteral("%1 closed the connection").arg(where_));
            }
            parser_.append(socket_.readAll());
        }
    }

    QTcpSocket socket_;
    AxiPacketParser parser_;
    QString where_;
    int timeoutMs_;
};

// A command with its numbers, checked before connecting so that a typo
// costs no connection and does not hold the daemon's one client slot.
struct Command {
    QString name;
    std::vector<std::uint32_t> n;
};

Command parseCommand(const QStringList& args) {
    struct Form {
        const char* name;
        int min, max;
        const char* usage;
        const char* names[4];
    };
    static const Form forms[] = {
        {"read", 2, 3, "read BASE OFFSET [COUNT]", {"BASE", "OFFSET", "COUNT"}},
        {"write", 3, 3, "write BASE OFFSET VALUE", {"BASE", "OFFSET", "VALUE"}},
        {"version", 0, 0, "version", {}},
        {"wait",
         4,
         4,
         "wait BASE OFFSET MASK VALUE [--timeout MS]",
         {"BASE", "OFFSET", "MASK", "VALUE"}},
    };
    if (args.isEmpty()) {
        throw ToolError(QStringLiteral("no command given (see --help)"), usageStatus);
    }
    for (const Form& f : forms) {
        if (args[0] != QLatin1String(f.name)) {
            continue;
        }
        const int given = static_cast<int>(args.size()) - 1;
        if (given < f.min || given > f.max) {
            throw ToolError(QStringLiteral("usage: corvane-axi %1").arg(QLatin1String(f.usage)),
                            usageStatus);
        }
        Command c{args[0], {}};
        for (int i = 1; i <= given; ++i) {
            const auto v = Tools::parseNumber(args[i]);
            if (!v) {
                throw ToolError(QStringLiteral("%1: '%2' is not a number (decimal or 0x-hex)")
                                    .arg(QLatin1String(f.names[i - 1]), args[i]),
                                usageStatus);
            }
            c.n.push_back(*v);
        }
        return c;
    }
    throw ToolError(QStringLiteral("unknown command '%1' (see --help)").arg(args[0]), usageStatus);
}

void print(const QJsonObject& json, const QString& text, bool asJson) {
    const QByteArray out =
        asJson ? QJsonDocument(json).toJson(QJsonDocument::Compact) : text.toUtf8();
    std::printf("%s\n", out.constData());
}

QJsonObject registerJson(std::uint32_t base, std::uint32_t offset, std::uint32_t value) {
    return {{"base", static_cast<qint64>(base)},
            {"offset", static_cast<qint64>(offset)},
            {"value", static_cast<qint64>(value)}};
}

QString registerText(std::uint32_t base, std::uint32_t offset, std::uint32_t value) {
    return QStringLiteral("%1:%2 = %3").arg(base).arg(hex(offset), hex(value));
}

// Pipelined: up to readWindow requests are in flight, answers are matched
// to requests in order.
void readRegisters(Session& s, std::uint32_t base, std::uint32_t offset, std::uint32_t count,
                   bool asJson) {
    QJsonArray values;
    std::uint32_t sent = 0;
    for (std::uint32_t got = 0; got < count; ++got) {
        while (sent < count && sent - got < static_cast<std::uint32_t>(readWindow)) {
            s.send(AxiReadRequestNetworkTransaction(base, offset + sent));
            ++sent;
        }
        const std::uint32_t value = s.readResponse(base, offset + got, s.timeoutMs());
        if (asJson) {
            values.append(registerJson(base, offset + got, value));
        } else {
            std::printf("%s\n", qPrintable(registerText(base, offset + got, value)));
        }
    }
    if (asJson) {
        print({{"reads", values}}, {}, true);
    }
}

void writeRegister(Session& s, std::uint32_t base, std::uint32_t offset, std::uint32_t value,
                   bool asJson) {
    s.send(AxiWriteNetworkTransaction(base, offset, value));
    s.drain();
    print({{"written", registerJson(base, offset, value)}},
          QStringLiteral("wrote %1").arg(registerText(base, offset, value)), asJson);
}

void askVersion(Session& s, bool asJson) {
    s.send(MezzanineVersionRequestNetworkTransaction());
    const std::uint32_t version = s.versionResponse();
    print({{"mezzanine", static_cast<qint64>(version)}},
          QStringLiteral("mezzanine %1").arg(version), asJson);
}

void waitFor(Session& s, const std::vector<std::uint32_t>& n, bool asJson, int intervalMs) {
    const std::uint32_t base = n[0], offset = n[1], mask = n[2], wanted = n[3];
    QElapsedTimer timer;
    timer.start();
    std::optional<std::uint32_t> last;
    for (;;) {
        s.send(AxiReadRequestNetworkTransaction(base, offset));
        const int left = std::max<int>(1, s.timeoutMs() - static_cast<int>(timer.elapsed()));
        // Once the daemon has answered, a poll still unanswered at the deadline
        // means the wait timed out, not that the daemon is busy with another client.
        const auto answer = s.readResponseWithin(base, offset, left);
        if (answer) {
            last = answer;
        } else if (!last) {
            throw s.noAnswer(left);
        }
        const std::uint32_t value = *last;
        if (answer && (value & mask) == wanted) {
            QJsonObject json = registerJson(base, offset, value);
            json.insert("elapsed_ms", timer.elapsed());
            print(json, registerText(base, offset, value), asJson);
            return;
        }
        if (timer.elapsed() >= s.timeoutMs()) {
            throw ToolError(QStringLiteral("timed out after %1 ms: %2, wanted (value & %3) == %4")
                                .arg(s.timeoutMs())
                                .arg(registerText(base, offset, value), hex(mask), hex(wanted)));
        }
        QThread::msleep(static_cast<unsigned long>(
            std::min<qint64>(intervalMs, s.timeoutMs() - timer.elapsed())));
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("corvane-axi");

    QCommandLineParser p;
    p.setApplicationDescription(
        "Reads and writes FPGA registers through the Corvane AXI daemon.\n\n"
        "Commands:\n"
        "  read BASE OFFSET [COUNT]     read COUNT consecutive registers (default 1)\n"
        "  write BASE OFFSET VALUE      write one register (no acknowledgement)\n"
        "  version                      mezzanine board identity (0 = unreadable)\n"
        "  wait BASE OFFSET MASK VALUE  poll until (register & MASK) == VALUE\n\n"
        "Numbers are decimal or 0x-hexadecimal. Errors go to stderr; the exit status is 1\n"
        "for a failure (no daemon, no answer, timeout) and 2 for a usage error.");
    const QString port = QString::number(AxiTcpServer::defaultPort);
    p.addOptions({
        {"host", "Daemon address (default 127.0.0.1).", "HOST", "127.0.0.1"},
        {"port", QStringLiteral("Daemon port (default %1).").arg(port), "PORT", port},
        {"timeout",
         "Milliseconds to wait for the connection and each answer; for wait, the whole "
         "wait (default 5000).",
         "MS", "5000"},
        {"interval", "Milliseconds between polls of wait (default 10).", "MS", "10"},
        {"json", "Print results as JSON."},
    });
    p.addPositionalArgument("command", "read, write, version or wait, then its arguments.",
                            "COMMAND [ARGS...]");
    if (const auto status = Tools::parseArguments(p)) {
        return *status;
    }

    try {
        const quint16 port = Tools::portOption(p);
        const auto timeout = Tools::parseNumber(p.value("timeout"));
        const auto interval = Tools::parseNumber(p.value("interval"));
        if (!timeout || *timeout > 86400000u || !interval || *interval > 86400000u) {
            throw ToolError(QStringLiteral("--timeout and --interval take milliseconds"),
                            usageStatus);
        }
        const Command c = parseCommand(p.positionalArguments());
        const bool asJson = p.isSet("json");
        if (c.name == "read" && c.n.size() == 3 && (c.n[2] < 1 || c.n[2] > 0x10000)) {
            throw ToolError(QStringLiteral("COUNT must be 1 to 65536"), usageStatus);
        }
        Session session(p.value("host"), port, static_cast<int>(*timeout));
        if (c.name == "read") {
            readRegisters(session, c.n[0], c.n[1], c.n.size() == 3 ? c.n[2] : 1, asJson);
        } else if (c.name == "write") {
            writeRegister(session, c.n[0], c.n[1], c.n[2], asJson);
        } else if (c.name == "version") {
            askVersion(session, asJson);
        } else {
            waitFor(session, c.n, asJson, static_cast<int>(*interval));
        }
    } catch (const ToolError& e) {
        return Tools::fail(e);
    }
    return 0;
}
