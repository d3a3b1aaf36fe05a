// Packet round trips as a connection sees them: serialise, frame, cut the
// frame out of a receive buffer with the factory, read the result. The
// QJsonDocument-only cases measure the JSON work alone in the same run, so
// the framing overhead shows as a ratio.

#include "app/JsonText.h"
#include "packets/AudioMetersDataPacket.h"
#include "packets/DatacorePacket.h"
#include "packets/RawDataPacketFactory.h"
#include "support/BenchReport.h"

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

// Received JSON is parsed through parseJson, which looks for a repeated key
// before Qt parses: its price against Qt's parser alone, on the same text.
void BM_ParseJsonChecked(benchmark::State& state) {
    const QByteArray text = samplePacket().serialise();
    for (auto _ : state) {
        benchmark::DoNotOptimize(parseJson(text).document.object().size());
    }
    setRates(state, text.size());
}
BENCHMARK(BM_ParseJsonChecked);

void BM_ParseJsonQtOnly(benchmark::State& state) {
    const QByteArray text = samplePacket().serialise();
    for (auto _ : state) {
        benchmark::DoNotOptimize(QJsonDocument::fromJson(text).object().size());
    }
    setRates(state, text.size());
}
BENCHMARK(BM_ParseJsonQtOnly);

// Sends `packet` into a byte array, appends that to a receive buffer and has
// the factory cut it out again, as class T; `use` touches the result.
template <typename T, typename Use>
void roundTrip(benchmark::State& state, const T& packet, Use&& use) {
    QByteArray wire;
    QBuffer device(&wire);
    device.open(QIODevice::WriteOnly);
    QByteArray received;
    for (auto _ : state) {
        wire.clear();
        device.seek(0);
        packet.serialisePacketAndWriteToDevice(device);
        received.append(wire);
        const auto back = std::static_pointer_cast<T>(
            RawDataPacketFactory::createPacketAndRemovePacketFromDataBuffer(received));
        benchmark::DoNotOptimize(use(*back));
    }
    if (!received.isEmpty()) {
        state.SkipWithError("frame left in the receive buffer");
    }
    setRates(state, wire.size());
}

void BM_JsonPacketRoundTrip(benchmark::State& state) {
    roundTrip(state, samplePacket(), [](const DatacorePacket& p) { return p.getPacketID(); });
}
BENCHMARK(BM_JsonPacketRoundTrip);

// The packed alternative for bulky data: 16 meter readings per packet.
void BM_MeterPacketRoundTrip(benchmark::State& state) {
    std::vector<AudioProcessingRegisterApi::MeterValue<float>> readings(16);
    for (size_t i = 0; i < readings.size(); ++i) {
        readings[i] = {quint8(i), 1, 0, 2, -18.5f + float(i)};
    }
    roundTrip(state, PpmMetersData(readings, 0xFF, 1),
              [](const PpmMetersData& p) { return p.getReadings().size(); });
}
BENCHMARK(BM_MeterPacketRoundTrip);

}  // namespace

int main(int argc, char** argv) {
    using Corvane::Bench::Goal;
    return Corvane::Bench::runWithRatios(
        argc, argv,
        {{"BM_JsonPacketRoundTrip", "BM_JsonDocumentOnly"},
         {"BM_ParseJsonChecked", "BM_ParseJsonQtOnly", {Goal::ratioAtMost, 1.25}}});
}
