// Frame cutting as a client sees it: a thread writes a burst of frames into a
// loopback socket and the connection cuts it into packets for a receiver.
// The bare case reads the same burst from a plain blocking socket into a
// buffer of its size, the least any receiver can do, so the cost of cutting
// shows as a ratio of the receiving thread's CPU times in the same run; the factory
// alone on the same bytes in memory shows how much of that is building the
// packets.

#include "client/NetworkConnection.h"
#include "packets/RawDataPacketFactory.h"
#include "packets/RawDataPacketReceiverInterface.h"
#include "support/BenchReport.h"
#include "support/Loopback.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDataStream>
#include <QTcpServer>
#include <QTcpSocket>
#include <memory>
#include <string>
#include <thread>
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

// Writes `burst` from a thread into the blocking socket `fd` while the
// caller receives it; false when the writer failed.
template <typename Receive>
bool sendWhileReceiving(int fd, const QByteArray& burst, Receive&& receive) {
    bool written = false;
    std::thread writer(
        [&] { written = Bench::whole(::write, fd, burst.constData(), burst.size()); });
    receive();
    writer.join();
    return written;
}

void BM_BareCopy(benchmark::State& state) {
    int frames = 0;
    const QByteArray burst = burstOf(static_cast<int>(state.range(0)), frames);
    Bench::LoopbackPair pair;
    QByteArray buffer(burst.size(), Qt::Uninitialized);
    for (auto _ : state) {
        bool read = false;
        if (!sendWhileReceiving(
                pair.far, burst,
                [&] { read = Bench::whole(::read, pair.near, buffer.data(), buffer.size()); }) ||
            !read) {
            state.SkipWithError("no loopback link");
            return;
        }
    }
    if (buffer != burst) {
        state.SkipWithError("the copy differs from the burst");
    }
    state.SetBytesProcessed(state.iterations() * burst.size());
}

void BM_ConnectionCutsFrames(benchmark::State& state) {
    int frames = 0;
    const QByteArray burst = burstOf(static_cast<int>(state.range(0)), frames);
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    NetworkConnection connection;
    const bool connected =
        connection.connectToHost(QHostAddress(QHostAddress::LocalHost), server.serverPort()) &&
        server.waitForNewConnection(1000);
    const std::unique_ptr<QTcpSocket> sender(server.nextPendingConnection());
    if (!connected || !sender) {
        state.SkipWithError("no loopback link");
        return;
    }
    // The sending end is written by a thread, blocking, as the bare case's.
    const int fd = static_cast<int>(sender->socketDescriptor());
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    Counter counter;
    for (auto _ : state) {
        counter.count = 0;
        if (!sendWhileReceiving(fd, burst, [&] {
                while (counter.count < frames) {
                    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
                }
            })) {
            state.SkipWithError("no loopback link");
            return;
        }
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
