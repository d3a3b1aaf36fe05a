// Datacore changes per second that one client pushes through a
// ClientDatacore and gets echoed by corvane-datacored over loopback, lock-step
// and with 64 outstanding. The baselines write the same change frames to a
// bare loopback socket whose far end echoes them from a thread, so the
// client's and the server's share of a round trip shows as the ratio of the
// two. Also the server's resident memory with 50 clients connected.
//
// Times are wall-clock: the server is another process, and waiting for it is
// the point.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "DatacoredProcess.h"
#include "client/ClientDatacore.h"
#include "client/ClientDatacoreRegistry.h"
#include "client/NetworkConnection.h"
#include "client/TqClientDatacoreManager.h"
#include "packets/DatacorePacket.h"
#include "packets/SerialisableDataPacketDistributor.h"
#include "support/BenchReport.h"
#include "support/Loopback.h"

namespace {

using namespace Corvane;

// A configuration datacore of the example, which the server lets clients
// change.
const QString changedPath = QStringLiteral("configCoreRouter/generator/audio/levelDbfs");
constexpr int window = 64;

// Ends a run: changes and bytes per second for the table.
void finishRun(benchmark::State& state, qint64 frameBytes) {
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * frameBytes);
}

// The frame the monitor sends for one change of the benchmark's datacore.
QByteArray changeFrame(const QString& clientId, const QString& value) {
    const QString name = changedPath.section(QLatin1Char('/'), -1);
    QByteArray frame;
    QBuffer device(&frame);
    device.open(QIODevice::WriteOnly);
    DatacorePacket(clientId, 0, {{name, QJsonObject{{"data", value}}}}, changedPath)
        .serialisePacketAndWriteToDevice(device);
    return frame;
}

// One client of the server, counting the echoes of its own changes to the
// benchmark's datacore.
class ChangingClient : public SerialisableDataPacketAcceptorInterface {
public:
    explicit ChangingClient(quint16 port) : manager_(connection_, distributor_) {
        // After the manager: a packet is counted once its populator applied it.
        distributor_.registerPacketAcceptor(this, QLatin1String(DatacorePacket::className));
        connection_.connectToHost(QStringLiteral("127.0.0.1"), port);
        heartbeat_.start(100);
    }
    bool canAcceptPacket(QString className) override {
        return className == QLatin1String(DatacorePacket::className);
    }
    void acceptPacket(const SerialisableDataPacket& packet) override {
        DatacorePacket p{QLatin1String(DatacorePacket::className)};
        p.setJsonObject(packet.getJsonObject());
        if (p.getDatacorePath() != changedPath) {
            return;
        }
        if (p.getClientID() == connection_.getUniqueConnectionID()) {
            --outstanding;
        } else {
            stateArrived = true;
        }
    }

    // Runs the event loop until `done`; the heartbeat wakes it, so a server
    // that falls silent ends the run instead of hanging it.
    template <typename Done>
    bool pumpUntil(Done&& done) {
        const QDeadlineTimer deadline(10000);
        while (!done()) {
            if (deadline.hasExpired()) {
                return false;
            }
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        return true;
    }
    ClientDatacore* datacore() {
        return manager_.getClientDatacoreRegistry().lookupDatacoreFromPath(changedPath);
    }
    const QString& id() { return connection_.getUniqueConnectionID(); }

    int outstanding = 0;
    bool stateArrived = false;

private:
    NetworkConnection connection_;
    SerialisableDataPacketDistributor distributor_;
    TqClientDatacoreManager manager_;
    QTimer heartbeat_;
};

void changesEchoedByDatacored(benchmark::State& state, int inFlight) {
    Testing::DatacoredProcess server;
    ChangingClient client(server.port());
    if (server.port() == 0 || !client.pumpUntil([&] { return client.stateArrived; })) {
        state.SkipWithError("corvane-datacored did not serve its example");
        return;
    }
    ClientDatacore* datacore = client.datacore();
    int value = 0;
    for (auto _ : state) {
        if (!client.pumpUntil([&] { return client.outstanding < inFlight; })) {
            state.SkipWithError("no echo from corvane-datacored");
            return;
        }
        ++client.outstanding;
        datacore->setDataString(QString::number(++value));
    }
    if (!client.pumpUntil([&] { return client.outstanding == 0; })) {
        state.SkipWithError("no echo from corvane-datacored");
        return;
    }
    finishRun(state, changeFrame(client.id(), "0").size());
}

void framesEchoedByBareSocket(benchmark::State& state, int inFlight) {
    // A client identifier as long as a real one: 127.0.0.1 and a port.
    const QByteArray frame = changeFrame(QStringLiteral("213070643354321"), "0");
    Bench::LoopbackPair pair;
    if (pair.near < 0 || pair.far < 0) {
        state.SkipWithError("no loopback connection");
        return;
    }
    std::thread echo([fd = pair.far] {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0 || !Bench::whole(::write, fd, buffer, n)) {
                return;
            }
        }
    });
    QByteArray back(frame.size(), '\0');
    int outstanding = 0;
    bool ok = true;
    for (auto _ : state) {
        if (outstanding == inFlight) {
            ok = ok && Bench::whole(::read, pair.near, back.data(), back.size());
            --outstanding;
        }
        ok = ok && Bench::whole(::write, pair.near, frame.constData(), frame.size());
        ++outstanding;
    }
    for (; outstanding > 0; --outstanding) {
        ok = ok && Bench::whole(::read, pair.near, back.data(), back.size());
    }
    ::shutdown(pair.near, SHUT_WR);
    echo.join();
    if (!ok || back != frame) {
        state.SkipWithError("the echo lost or changed bytes");
        return;
    }
    finishRun(state, frame.size());
}

void BM_BareEchoLockStep(benchmark::State& state) {
    framesEchoedByBareSocket(state, 1);
}
BENCHMARK(BM_BareEchoLockStep)->UseRealTime();

void BM_DatacoredChangeLockStep(benchmark::State& state) {
    changesEchoedByDatacored(state, 1);
}
BENCHMARK(BM_DatacoredChangeLockStep)->UseRealTime();

void BM_BareEcho64Outstanding(benchmark::State& state) {
    framesEchoedByBareSocket(state, window);
}
BENCHMARK(BM_BareEcho64Outstanding)->UseRealTime();

void BM_DatacoredChange64Outstanding(benchmark::State& state) {
    changesEchoedByDatacored(state, window);
}
BENCHMARK(BM_DatacoredChange64Outstanding)->UseRealTime();

}  // namespace

// Peak resident memory of corvane-datacored serving its example, idle and
// with 50 clients that each received its whole state.
void reportDatacoredMemory() {
    constexpr int clients = 50;
    Testing::DatacoredProcess server;
    ChangingClient first(server.port());
    if (server.port() == 0 || !first.pumpUntil([&] { return first.stateArrived; })) {
        std::fprintf(stderr, "client_bench: corvane-datacored did not serve its example\n");
        return;
    }
    const long idle = Bench::residentKb(static_cast<pid_t>(server.pid())).first;
    std::vector<std::unique_ptr<ChangingClient>> others;
    for (int i = 1; i < clients; ++i) {
        others.push_back(std::make_unique<ChangingClient>(server.port()));
    }
    for (const auto& client : others) {
        if (!client->pumpUntil([&] { return client->stateArrived; })) {
            std::fprintf(stderr, "client_bench: a client of corvane-datacored got no state\n");
            return;
        }
    }
    const long busy = Bench::residentKb(static_cast<pid_t>(server.pid())).first;
    Bench::printRow("corvane-datacored peak RSS, " + std::to_string(clients) + " clients " +
                        std::to_string(busy) + " kB",
                    "peak RSS, 1 client " + std::to_string(idle) + " kB",
                    static_cast<double>(busy) / static_cast<double>(idle), {}, std::nullopt);
}
