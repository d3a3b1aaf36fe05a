// Frame cutting as a client sees it: a burst of frames arrives on a loopback
// socket and the connection cuts it into packets for a receiver. The bare
// case reads the same burst through a plain socket into one buffer, so the
// cost of cutting shows as a ratio of the two rates measured in the same run;
// the factory alone on the same bytes in memory shows how much of that is
// building the packets.

#include "client/NetworkConnection.h"
#include "packets/RawDataPacketFactory.h"
#include "packets/RawDataPacketReceiverInterface.h"
#include "support/BenchReport.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDataStream>
#include <QTcpServer>
#include <QTcpSocket>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace Corvane;

constexpr int burstBytes = 4 * 1024 * 1024;

// Frames of eye histograms that declare no bins, `frameSize` bytes each,
// back to back, about burstBytes in all.
QByteArray burstOf(int frameSize, int& frames) {
    QByteArray frame;
    QDataStream out(&frame, QIODevice::WriteOnly);
    RawDataPacket::writeHeaderToDataStream(
        {PacketIdentifier::eyeVerticalHistogram, 0, frameSize - RawDataPacket::headerSize}, out);
    frame.append(frameSize - RawDataPacket::headerSize, '\0');
    frames = burstBytes / frameSize;
    return frame.repeated(frames);
}

class Counter : public RawDataPacketReceiverInterfaceBase {
public:
    Counter()
        : RawDataPacketReceiverInterfaceBase(
              makeRegistryKey(PacketIdentifier::eyeVerticalHistogram, 0)) {
        insertIntoRegistry();
    }
    void receiveRawDataPacket(std::shared_ptr<const RawDataPacket>) override { ++count; }
    long count = 0;
};

// A loopback link: `sender` is the server's end of it.
struct Link {
    Link() { server.listen(QHostAddress::LocalHost, 0); }
    bool accept() {
        server.waitForNewConnection(1000);
        sender.reset(server.nextPendingConnection());
        return sender != nullptr;
    }
    QTcpServer server;
    std::unique_ptr<QTcpSocket> sender;
};

// Runs the event loop until `done`, sleeping in it while nothing happens, so
// both sides of a comparison wait alike rather than spin.
template <typename Done>
void pump(Done&& done) {
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void BM_BareCopy(benchmark::State& state) {
    int frames = 0;
    const QByteArray burst = burstOf(static_cast<int>(state.range(0)), frames);
    Link link;
    QTcpSocket receiver;
    receiver.connectToHost(QHostAddress::LocalHost, link.server.serverPort());
    if (!receiver.waitForConnected(1000) || !link.accept()) {
        state.SkipWithError("no loopback link");
        return;
    }
    // One buffer of the burst's size, filled in place: each byte is copied
    // once, as the connection's own buffer does.
    QByteArray buffer(burst.size(), Qt::Uninitialized);
    for (auto _ : state) {
        qint64 got = 0;
        link.sender->write(burst);
        pump([&] {
            got += receiver.read(buffer.data() + got, buffer.size() - got);
            return got == buffer.size();
        });
    }
    if (buffer != burst) {
        state.SkipWithError("the copy differs from the burst");
    }
    state.SetBytesProcessed(state.iterations() * burst.size());
}

void BM_ConnectionCutsFrames(benchmark::State& state) {
    int frames = 0;
    const QByteArray burst = burstOf(static_cast<int>(state.range(0)), frames);
    Link link;
    NetworkConnection connection;
    if (!connection.connectToHost(QHostAddress(QHostAddress::LocalHost),
                                  link.server.serverPort()) ||
        !link.accept()) {
        state.SkipWithError("no loopback link");
        return;
    }
    Counter counter;
    for (auto _ : state) {
        counter.count = 0;
        link.sender->write(burst);
        pump([&] { return counter.count == frames; });
    }
    state.SetBytesProcessed(state.iterations() * burst.size());
    state.SetItemsProcessed(state.iterations() * frames);
}

// The packets alone, built from a burst already in memory: the floor under
// the connection's rate, whatever the socket does.
void BM_FactoryOnly(benchmark::State& state) {
    int frames = 0;
    const QByteArray burst = burstOf(static_cast<int>(state.range(0)), frames);
    const int frameSize = static_cast<int>(state.range(0));
    for (auto _ : state) {
        for (int offset = 0; offset < burst.size(); offset += frameSize) {
            benchmark::DoNotOptimize(
                RawDataPacketFactory::createPacketFromDataBufferAt(burst, offset));
        }
    }
    state.SetBytesProcessed(state.iterations() * burst.size());
    state.SetItemsProcessed(state.iterations() * frames);
}

BENCHMARK(BM_BareCopy)->Arg(64)->Arg(1024)->Arg(65536)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConnectionCutsFrames)->Arg(64)->Arg(1024)->Arg(65536)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FactoryOnly)->Arg(64)->Arg(1024)->Arg(65536)->Unit(benchmark::kMillisecond);

}  // namespace

#ifdef CORVANE_DATACORED
void reportDatacoredMemory();  // datacored_echo_bench.cpp
#endif

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::vector<Corvane::Bench::Comparison> comparisons;
    for (const char* size : {"64", "1024", "65536"}) {
        comparisons.push_back(
            {std::string("BM_ConnectionCutsFrames/") + size, std::string("BM_BareCopy/") + size});
    }
    comparisons.push_back({"BM_DatacoredChangeLockStep", "BM_BareEchoLockStep"});
    comparisons.push_back({"BM_DatacoredChange64Outstanding", "BM_BareEcho64Outstanding"});
    const int status = Corvane::Bench::runWithRatios(argc, argv, comparisons);
#ifdef CORVANE_DATACORED
    if (status == 0) {
        reportDatacoredMemory();
    }
#endif
    return status;
}
