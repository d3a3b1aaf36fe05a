// Packet round trips as a connection sees them: serialise, frame, cut the
// frame out of a receive buffer with the factory, read the result. The
// QJsonDocument-only cases measure the JSON work alone in the same run, so
// the framing overhead shows as a ratio.

#include "packets/AudioMetersDataPacket.h"
#include "packets/DatacorePacket.h"
#include "packets/RawDataPacketFactory.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

using namespace Corvane;

// A datacore update of typical size: a handful of status values.
DatacorePacket samplePacket() {
    QJsonObject values;
    for (int i = 0; i < 12; ++i) {
        values.insert(QString("Value%1").arg(i), i * 1.5);
    }
    values.insert("Standard", "1920x1080p50 3G Level A");
    values.insert("Lanes", QJsonArray{0, 1, 2, 3});
    const QJsonObject datacore{{"Class", "SdiInputStatus"}, {"Data", values}};
    return DatacorePacket("client-1", 42, datacore, "Status/Sdi/Input1");
}

void setRates(benchmark::State& state, qint64 bytesPerItem) {
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * bytesPerItem);
}

void BM_JsonDocumentOnly(benchmark::State& state) {
    const QJsonObject object = samplePacket().getJsonObject();
    qint64 bytes = 0;
    for (auto _ : state) {
        const QByteArray text = QJsonDocument(object).toJson(QJsonDocument::Compact);
        const QJsonObject back = QJsonDocument::fromJson(text).object();
        benchmark::DoNotOptimize(back.size());
        bytes = text.size();
    }
    setRates(state, bytes);
}
BENCHMARK(BM_JsonDocumentOnly);

void BM_JsonPacketRoundTrip(benchmark::State& state) {
    const DatacorePacket packet = samplePacket();
    QByteArray wire;
    QBuffer device(&wire);
    device.open(QIODevice::WriteOnly);
    QByteArray received;
    qint64 bytes = 0;
    for (auto _ : state) {
        wire.clear();
        device.seek(0);
        packet.serialisePacketAndWriteToDevice(device);
        received.append(wire);
        const auto back = std::static_pointer_cast<DatacorePacket>(
            RawDataPacketFactory::createPacketAndRemovePacketFromDataBuffer(received));
        benchmark::DoNotOptimize(back->getPacketID());
        bytes = wire.size();
    }
    if (!received.isEmpty()) {
        state.SkipWithError("frame left in the receive buffer");
    }
    setRates(state, bytes);
}
BENCHMARK(BM_JsonPacketRoundTrip);

// The packed alternative for bulky data: 16 meter readings per packet.
void BM_MeterPacketRoundTrip(benchmark::State& state) {
    std::vector<AudioProcessingRegisterApi::MeterValue<float>> readings(16);
    for (size_t i = 0; i < readings.size(); ++i) {
        readings[i] = {quint8(i), 1, 0, 2, -18.5f + float(i)};
    }
    const PpmMetersData packet(readings, 0xFF, 1);
    QByteArray wire;
    QBuffer device(&wire);
    device.open(QIODevice::WriteOnly);
    QByteArray received;
    qint64 bytes = 0;
    for (auto _ : state) {
        wire.clear();
        device.seek(0);
        packet.serialisePacketAndWriteToDevice(device);
        received.append(wire);
        const auto back = std::static_pointer_cast<PpmMetersData>(
            RawDataPacketFactory::createPacketAndRemovePacketFromDataBuffer(received));
        benchmark::DoNotOptimize(back->getReadings().size());
        bytes = wire.size();
    }
    setRates(state, bytes);
}
BENCHMARK(BM_MeterPacketRoundTrip);

}  // namespace

BENCHMARK_MAIN();
