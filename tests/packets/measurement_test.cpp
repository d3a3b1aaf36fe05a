#include "PacketTestHelpers.h"
#include "packets/AudioMetersDataPacket.h"
#include "packets/EyeHistogramData.h"
#include "packets/RawDataPacketFactory.h"
#include "packets/RawSdiJitterSpectrumDataPacket.h"
#include "packets/RawSdiSampleGridPacket.h"
#include "packets/VideoIpIpatHistogramPacket.h"

#include <gtest/gtest.h>

#include <functional>
#include <numeric>

namespace Corvane {
namespace {

using AudioProcessingRegisterApi::MeterValue;
using AudioProcessingRegisterApi::ST337Status;
using JitterInsertionAnalysisRegisterApi::FftBandwidth;
using JitterInsertionAnalysisRegisterApi::WindowFunction;
using Testing::frameOf;
using Testing::rawFrame;
using Testing::streamed;

std::shared_ptr<RawDataPacket> take(QByteArray& buffer) {
    return RawDataPacketFactory::createPacketAndRemovePacketFromDataBuffer(buffer);
}

template <typename T>
std::shared_ptr<T> rebuilt(const QByteArray& frame) {
    QByteArray buffer = frame;
    auto packet = std::dynamic_pointer_cast<T>(take(buffer));
    EXPECT_TRUE(buffer.isEmpty());
    return packet;
}

std::vector<MeterValue<float>> floatReadings() {
    return {{1, 2, 3, 4, 0.5f}, {255, -1, 0, INT32_MAX, -12.25f}};
}

Types::RawSdiSampleGrid grid(int rows, int samples, int listLength) {
    Types::RawSdiSampleGrid g;
    for (int r = 0; r < rows; ++r) {
        Types::RawSdiSampleGridRow row;
        row.samples.resize(static_cast<size_t>(samples));
        std::iota(row.samples.begin(), row.samples.end(), 100u * unsigned(r));
        row.interfaceList.assign(static_cast<size_t>(listLength), 0xA0u);
        row.lineNumber = r + 21;
        row.flags = -r;
        g.rows.push_back(row);
    }
    return g;
}

Types::IpatHistogram ipat() {
    Types::IpatHistogram h;
    h.binWidthNs = 100;
    h.packetCount = 0x123456789LL;
    h.overflowCount = -3;
    for (int i = 0; i < Types::IpatHistogram::binCount; ++i) {
        h.bins[size_t(i)] = quint32(i * 1000);
    }
    return h;
}

// Every class that can be built for sending: serialised behind its header,
// rebuilt by the factory as the same class and serialised again unchanged.
TEST(MeasurementPackets, FactoryRebuildsEveryClassByteForByte) {
    struct Case {
        const char* name;
        std::function<std::shared_ptr<RawDataPacket>()> make;
        quint16 identifier;
        int payloadSize;
    };
    const std::vector<MeterValue<int>> ints = {{7, 1, 2, 3, -40000}};
    ST337Status st{3, 28, 1, 6144, 2, 1, 5, 1, 1, 24, -2};
    const Case cases[] = {
        {"ppm", [] { return std::make_shared<PpmMetersData>(floatReadings(), 0xF, 9); }, 0x1013,
         60},
        {"peak hold", [] { return std::make_shared<PeakHoldMetersData>(floatReadings(), 1, 2); },
         0x1014, 60},
        {"phase", [] { return std::make_shared<PhaseMetersData>(floatReadings(), 1, 2); }, 0x1015,
         60},
        {"instant dB",
         [] { return std::make_shared<InstantPeakDbMetersData>(floatReadings(), 1, 2); }, 0x1016,
         60},
        {"instant linear",
         [&] { return std::make_shared<InstantPeakLinearMetersData>(ints, 3, 4); }, 0x1017, 32},
        {"st337",
         [&] {
             return std::make_shared<ST337DolbyDetectData>(std::vector{st, st}, 5, 6);
         },
         0x1018, 12 + 56},
        {"grid", [] { return std::make_shared<RawSdiSampleGridPacket>(grid(3, 5, 2)); }, 0x1019,
         12 + 8 + 3 * (28 + 20)},
        {"jitter",
         [] {
             return std::make_shared<RawSdiJitterSpectrumDataPacket>(
                 Types::JitterSpectralData{{1, 2, 3}, {0.5}, {}}, WindowFunction::hann, true,
                 FftBandwidth::bandwidth1MHz);
         },
         0x101A, 21 + 32},
        {"ipat", [] { return std::make_shared<VideoIpIpatHistogramPacket>(ipat(), 0xBEEF); },
         0x101B, 288},
    };
    for (const Case& c : cases) {
        const std::shared_ptr<RawDataPacket> sent = c.make();
        const QByteArray frame = frameOf(*sent);
        EXPECT_EQ(frame.size(), 8 + c.payloadSize) << c.name;
        QByteArray buffer = frame + "next";
        const std::shared_ptr<RawDataPacket> received = take(buffer);
        ASSERT_TRUE(received) << c.name;
        EXPECT_EQ(buffer, QByteArray("next")) << c.name;
        EXPECT_EQ(typeid(*received), typeid(*sent)) << c.name;
        EXPECT_EQ(received->getPacketIdentifier(), c.identifier) << c.name;
        EXPECT_EQ(received->getPayloadFromPacket(), frame.mid(8)) << c.name;
        EXPECT_EQ(frameOf(*received), frame) << c.name;
    }
}

TEST(MeasurementPackets, DecodedValuesMatchWhatWasSent) {
    const auto ppm = rebuilt<PpmMetersData>(frameOf(PpmMetersData(floatReadings(), 0xF0, 77)));
    ASSERT_TRUE(ppm);
    EXPECT_EQ(ppm->getSequenceNumber(), 77u);
    EXPECT_EQ(ppm->getPairPresenceBits(), 0xF0u);
    const QVector<MeterValue<float>>& got = ppm->getReadings();
    EXPECT_EQ(std::vector(got.begin(), got.end()), floatReadings());

    const ST337Status st{3, 28, 1, 6144, 2, 1, 5, 1, 0, 24, -2};
    const auto dolby = rebuilt<ST337DolbyDetectData>(frameOf(ST337DolbyDetectData({st}, 1, 2)));
    ASSERT_TRUE(dolby);
    ASSERT_EQ(dolby->getReadings().size(), 1);
    EXPECT_EQ(dolby->getReadings()[0], st);

    const auto g = rebuilt<RawSdiSampleGridPacket>(frameOf(RawSdiSampleGridPacket(grid(4, 3, 2))));
    ASSERT_TRUE(g);
    EXPECT_EQ(g->getSdiGridData(), grid(4, 3, 2));

    const Types::JitterSpectralData spectrum{{10, 20}, {0.25, 0.5}, {1e-3}};
    const auto j = rebuilt<RawSdiJitterSpectrumDataPacket>(frameOf(
        RawSdiJitterSpectrumDataPacket(Types::JitterSpectralData(spectrum), WindowFunction::flatTop,
                                       true, FftBandwidth::bandwidth10kHz)));
    ASSERT_TRUE(j);
    EXPECT_EQ(j->getGraphData(), spectrum);
    EXPECT_EQ(j->getWindowType(), WindowFunction::flatTop);
    EXPECT_TRUE(j->getOverlap());
    EXPECT_EQ(j->getFftBandwidth(), FftBandwidth::bandwidth10kHz);

    const QByteArray ipatFrame = frameOf(VideoIpIpatHistogramPacket(ipat(), 513));
    EXPECT_EQ(ipatFrame.mid(2, 2), QByteArray::fromHex("0201"));
    const auto h = rebuilt<VideoIpIpatHistogramPacket>(ipatFrame);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->getSourceInstanceIdentifier(), 513);
    EXPECT_EQ(h->getIpatHistogram(), ipat());
}

TEST(MeasurementPackets, EyeHistogramsDecodeAndReencode) {
    const QByteArray payload = QByteArray::fromHex(
        "00000003"
        "00000001"
        "ffffffff"
        "00010000");
    for (quint16 id : {quint16(0x1011), quint16(0x1012)}) {
        const QByteArray frame = rawFrame(id, payload);
        const auto eye = rebuilt<EyeHistogramData>(frame);
        ASSERT_TRUE(eye);
        EXPECT_EQ(eye->getPacketIdentifier(), id);
        EXPECT_EQ(eye->getBins(), (QVector<unsigned>{1, 0xFFFFFFFF, 0x10000}));
        EXPECT_EQ(frameOf(*eye), frame);
    }
}

// --- byte layouts ---------------------------------------------------------

TEST(MeasurementLayout, MeterReadingFieldsAndDoubleValue) {
    const QByteArray payload =
        PpmMetersData({{0xAB, 2, -1, 4, 0.5f}}, 0x0102, 0x0A0B).getSerialisedPayloadForTransmit();
    EXPECT_EQ(payload.toHex(), QByteArray("00000a0b"
                                          "00000102"
                                          "00000001"
                                          "000000ab"
                                          "00000002"
                                          "ffffffff"
                                          "00000004"
                                          "3fe0000000000000"));
    EXPECT_EQ(PpmMetersData({}, 0, 0).getSerialisedPayloadForTransmit().size(), 12);

    const QByteArray linear =
        InstantPeakLinearMetersData({{1, 0, 0, 0, -2}}, 0, 0).getSerialisedPayloadForTransmit();
    EXPECT_EQ(linear.mid(12).toHex(), QByteArray("00000001000000000000000000000000fffffffe"));
}

TEST(MeasurementLayout, St337FieldWidths) {
    const ST337Status s{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, -1};
    const QByteArray entry =
        ST337DolbyDetectData({s}, 0, 0).getSerialisedPayloadForTransmit().mid(12);
    EXPECT_EQ(entry.toHex(), QByteArray("00000011"
                                        "00000022"
                                        "00000033"
                                        "00000044"
                                        "0055"
                                        "0066"
                                        "00000077"
                                        "88"
                                        "99"
                                        "aa"
                                        "ff"));
}

TEST(MeasurementLayout, SampleGridOrder) {
    Types::RawSdiSampleGrid g = grid(1, 2, 1);
    g.rows[0].firstSample = 5;
    const QByteArray payload =
        RawSdiSampleGridPacket(std::move(g)).getSerialisedPayloadForTransmit();
    EXPECT_EQ(payload.toHex(), QByteArray("00000001"
                                          "00000002"
                                          "00000001"
                                          "000000a0"
                                          "00000015"
                                          "00000005"
                                          "00000000"
                                          "00000000"
                                          "00000000"
                                          "00000000"
                                          "00000000"
                                          "00000000"
                                          "00000001"));
    EXPECT_EQ(RawSdiSampleGridPacket::getPayloadSizeInBytes(1, 1, 2), payload.size());

    // Rows shorter or longer than the first are padded or cut to its length.
    Types::RawSdiSampleGrid ragged = grid(3, 2, 0);
    ragged.rows[1].samples = {7};
    ragged.rows[2].samples = {8, 9, 10};
    const auto back =
        rebuilt<RawSdiSampleGridPacket>(frameOf(RawSdiSampleGridPacket(std::move(ragged))));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->getSdiGridData().rows[1].samples, (std::vector<unsigned>{7, 0}));
    EXPECT_EQ(back->getSdiGridData().rows[2].samples, (std::vector<unsigned>{8, 9}));

    const QByteArray empty =
        RawSdiSampleGridPacket(Types::RawSdiSampleGrid{}).getSerialisedPayloadForTransmit();
    EXPECT_EQ(empty, QByteArray(12, 0));
}

TEST(MeasurementLayout, JitterTrailer) {
    const QByteArray payload =
        RawSdiJitterSpectrumDataPacket({{}, {-2.0}, {}}, WindowFunction::hamming, true,
                                       FftBandwidth::bandwidth100Hz)
            .getSerialisedPayloadForTransmit();
    EXPECT_EQ(payload.toHex(), QByteArray("00000000"
                                          "00000001"
                                          "c000000000000000"
                                          "00000000"
                                          "00000002"
                                          "01"
                                          "00000001"));
}

TEST(MeasurementLayout, IpatLeadingFields) {
    Types::IpatHistogram h{};
    h.binWidthNs = 1;
    h.firstBinNs = 2;
    h.packetCount = 3;
    h.minimumNs = 4;
    h.maximumNs = 5;
    h.meanNs = 6;
    h.overflowCount = 7;
    h.bins[63] = 8;
    const QByteArray payload =
        VideoIpIpatHistogramPacket(std::move(h), 0).getSerialisedPayloadForTransmit();
    ASSERT_EQ(payload.size(), VideoIpIpatHistogramPacket::getPayloadSizeInBytes());
    EXPECT_EQ(payload.left(32).toHex(), QByteArray("00000001"
                                                   "00000002"
                                                   "0000000000000003"
                                                   "00000004"
                                                   "00000005"
                                                   "00000006"
                                                   "00000007"));
    EXPECT_EQ(payload.right(4).toHex(), QByteArray("00000008"));
}

// --- hostile frames -------------------------------------------------------

QByteArray be32(quint32 v) {
    return streamed([v](QDataStream& out) { out << v; });
}

TEST(HostileFrames, CountsBoundedByPayload) {
    const QByteArray reading =
        PpmMetersData(floatReadings(), 0, 0).getSerialisedPayloadForTransmit().mid(12, 24);
    const QByteArray status =
        ST337DolbyDetectData({ST337Status{}}, 0, 0).getSerialisedPayloadForTransmit().mid(12);
    struct Case {
        const char* name;
        quint16 id;
        QByteArray payload;
        std::function<int(const RawDataPacket&)> entries;
        int expected;
    };
    auto readings = [](const RawDataPacket& p) {
        return int(dynamic_cast<const MetersData<float>&>(p).getReadings().size());
    };
    auto bins = [](const RawDataPacket& p) {
        return int(dynamic_cast<const EyeHistogramData&>(p).getBins().size());
    };
    auto rows = [](const RawDataPacket& p) {
        return int(dynamic_cast<const RawSdiSampleGridPacket&>(p).getSdiGridData().rows.size());
    };
    auto series = [](const RawDataPacket& p) {
        const auto& d = dynamic_cast<const RawSdiJitterSpectrumDataPacket&>(p).getGraphData();
        return int(d.frequencies.size() + d.amplitudes.size() + d.peakHold.size());
    };
    const QByteArray lead = be32(1) + be32(2);
    const Case cases[] = {
        {"meter count huge", 0x1013, lead + be32(0xFFFFFFFF) + reading + reading, readings, 2},
        {"meter count with partial entry", 0x1014, lead + be32(3) + reading + reading.left(10),
         readings, 1},
        {"meter no count", 0x1015, lead.left(5), readings, 0},
        {"st337 count huge", 0x1018, lead + be32(1u << 31) + status,
         [](const RawDataPacket& p) {
             return int(dynamic_cast<const ST337DolbyDetectData&>(p).getReadings().size());
         },
         1},
        {"eye count huge", 0x1011, be32(0x7FFFFFFF) + be32(5), bins, 1},
        {"eye count negative", 0x1012, be32(0xFFFFFFFE) + be32(5) + be32(6), bins, 2},
        {"grid rows huge", 0x1019, be32(0xFFFFFFFF) + be32(1) + be32(0) + QByteArray(64, 1), rows,
         2},
        {"grid samples huge", 0x1019, be32(2) + be32(0xFFFFFFFF) + be32(0) + QByteArray(64, 1),
         rows, 0},
        {"grid list huge", 0x1019, be32(1) + be32(0) + be32(0x40000000) + QByteArray(40, 1), rows,
         0},
        {"jitter lengths huge", 0x101A, be32(0xFFFFFFFF) + QByteArray(20, 0), series, 2},
        {"jitter truncated", 0x101A, be32(3) + QByteArray(8, 0), series, 1},
    };
    for (const Case& c : cases) {
        const auto packet = rebuilt<RawDataPacket>(rawFrame(c.id, c.payload));
        ASSERT_TRUE(packet) << c.name;
        EXPECT_EQ(c.entries(*packet), c.expected) << c.name;
    }
}

TEST(HostileFrames, TruncatedFixedPayloadReadsZeros) {
    const QByteArray full = frameOf(VideoIpIpatHistogramPacket(ipat(), 4));
    const QByteArray cut = rawFrame(0x101B, full.mid(8, 10));
    const auto packet = rebuilt<VideoIpIpatHistogramPacket>(cut);
    ASSERT_TRUE(packet);
    EXPECT_EQ(packet->getIpatHistogram().binWidthNs, 100);
    EXPECT_EQ(packet->getIpatHistogram().packetCount, 0);
    EXPECT_EQ(packet->getIpatHistogram().bins[63], 0u);

    const auto empty = rebuilt<PpmMetersData>(rawFrame(0x1013, QByteArray()));
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->getSequenceNumber(), 0u);
    EXPECT_TRUE(empty->getReadings().isEmpty());
}

TEST(HostileFrames, FrameConstructorGivenTooShortFrame) {
    // The factory only hands over complete frames; a direct caller may not.
    const QByteArray frame = frameOf(PpmMetersData(floatReadings(), 1, 2));
    const PpmMetersData packet(frame.left(8 + 12 + 30));
    EXPECT_EQ(packet.getReadings().size(), 1);
    EXPECT_TRUE(EyeVerticalHistogramData(QByteArray(3, 0x10)).getBins().isEmpty());
}

}  // namespace
}  // namespace Corvane
