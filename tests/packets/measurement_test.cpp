#include "PacketTestHelpers.h"
#include "packets/AudioMetersDataPacket.h"
#include "packets/EyeHistogramData.h"
#include "packets/RawSdiJitterPacket.h"
#include "packets/RawSdiSampleGridPacket.h"
#include "packets/VideoIpIpatHistogramPacket.h"

#include <gtest/gtest.h>

#include <numeric>

namespace Corvane {
namespace {

using AudioProcessingRegisterApi::MeterValue;
using AudioProcessingRegisterApi::ST337Status;
using JitterInsertionAnalysisRegisterApi::FftBandwidth;
using JitterInsertionAnalysisRegisterApi::WindowFunction;
using Testing::be32;
using Testing::frameOf;
using Testing::rawFrame;
using Testing::rebuilt;
using Testing::take;

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

// Every class: serialised behind its header, rebuilt by the factory as the
// same class and serialised again unchanged.
TEST(MeasurementPackets, FactoryRebuildsEveryClassByteForByte) {
    const std::vector<MeterValue<int>> ints = {{7, 1, 2, 3, -40000}};
    const ST337Status st{3, 28, 1, 6144, 2, 1, 5, 1, 1, 24, -2};
    const QByteArray eye = QByteArray::fromHex("00000003 00000001 ffffffff 00010000");
    EXPECT_EQ(EyeHorizontalHistogramData(rawFrame(0x1012, eye)).getBins(),
              (QVector<unsigned>{1, 0xFFFFFFFF, 0x10000}));
    const struct {
        std::shared_ptr<RawDataPacket> sent;
        quint16 identifier;
        int payloadSize;
    } cases[] = {
        {std::make_shared<PpmMetersData>(floatReadings(), 0xF, 9), 0x1013, 60},
        {std::make_shared<PeakHoldMetersData>(floatReadings(), 1, 2), 0x1014, 60},
        {std::make_shared<PhaseMetersData>(floatReadings(), 1, 2), 0x1015, 60},
        {std::make_shared<InstantPeakDbMetersData>(floatReadings(), 1, 2), 0x1016, 60},
        {std::make_shared<InstantPeakLinearMetersData>(ints, 3, 4), 0x1017, 32},
        {std::make_shared<ST337DolbyDetectData>(std::vector{st, st}, 5, 6), 0x1018, 12 + 56},
        {std::make_shared<RawSdiSampleGridPacket>(grid(3, 5, 2)), 0x1019, 12 + 8 + 3 * (28 + 20)},
        {std::make_shared<RawSdiJitterSpectrumDataPacket>(
             Types::JitterSpectralData{{1, 2, 3}, {0.5}, {}}, WindowFunction::hann, true,
             FftBandwidth::bandwidth1MHz),
         0x101A, 21 + 32},
        {std::make_shared<VideoIpIpatHistogramPacket>(ipat(), 0xBEEF), 0x101B, 288},
        {std::make_shared<EyeVerticalHistogramData>(rawFrame(0x1011, eye)), 0x1011, 16},
        {std::make_shared<EyeHorizontalHistogramData>(rawFrame(0x1012, eye)), 0x1012, 16},
    };
    for (const auto& c : cases) {
        const QByteArray frame = frameOf(*c.sent);
        EXPECT_EQ(frame.size(), 8 + c.payloadSize) << c.identifier;
        QByteArray buffer = frame + "next";
        const std::shared_ptr<RawDataPacket> received = take(buffer);
        ASSERT_TRUE(received) << c.identifier;
        EXPECT_EQ(buffer, QByteArray("next")) << c.identifier;
        const RawDataPacket& got = *received;
        const RawDataPacket& sent = *c.sent;
        EXPECT_EQ(typeid(got), typeid(sent)) << c.identifier;
        EXPECT_EQ(received->getPacketIdentifier(), c.identifier);
        EXPECT_EQ(received->getPayloadFromPacket(), frame.mid(8)) << c.identifier;
        EXPECT_EQ(frameOf(*received), frame) << c.identifier;
    }
}

// --- byte layouts ---------------------------------------------------------

TEST(MeasurementLayout, PayloadBytes) {
    const ST337Status st{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, -1};
    Types::RawSdiSampleGrid g = grid(1, 2, 1);
    g.rows[0].firstSample = 5;
    Types::IpatHistogram h{1, 2, 3, 4, 5, 6, 7, {}};
    h.bins[63] = 8;
    const struct {
        const char* name;
        QByteArray payload;
        const char* hex;  // spaces only for reading
    } cases[] = {
        {"meter, float as double",
         PpmMetersData({{0xAB, 2, -1, 4, 0.5f}}, 0x0102, 0x0A0B).getSerialisedPayloadForTransmit(),
         "00000a0b 00000102 00000001 000000ab 00000002 ffffffff 00000004 3fe0000000000000"},
        {"meter, no readings", PpmMetersData({}, 7, 8).getSerialisedPayloadForTransmit(),
         "00000008 00000007 00000000"},
        {"meter, int value",
         InstantPeakLinearMetersData({{1, 0, 0, 0, -2}}, 0, 0).getSerialisedPayloadForTransmit(),
         "00000000 00000000 00000001 00000001 00000000 00000000 00000000 fffffffe"},
        {"st337 widths", ST337DolbyDetectData({st}, 0, 0).getSerialisedPayloadForTransmit().mid(12),
         "00000011 00000022 00000033 00000044 0055 0066 00000077 88 99 aa ff"},
        {"grid", RawSdiSampleGridPacket(std::move(g)).getSerialisedPayloadForTransmit(),
         "00000001 00000002 00000001 000000a0 "
         "00000015 00000005 00000000 00000000 00000000 00000000 00000000 00000000 00000001"},
        {"grid without rows",
         RawSdiSampleGridPacket(Types::RawSdiSampleGrid{}).getSerialisedPayloadForTransmit(),
         "00000000 00000000 00000000"},
        {"jitter",
         RawSdiJitterSpectrumDataPacket({{}, {-2.0}, {}}, WindowFunction::hamming, true,
                                        FftBandwidth::bandwidth100Hz)
             .getSerialisedPayloadForTransmit(),
         "00000000 00000001 c000000000000000 00000000 00000002 01 00000001"},
        {"ipat leading fields and last bin",
         [&] {
             const QByteArray p =
                 VideoIpIpatHistogramPacket(std::move(h), 0).getSerialisedPayloadForTransmit();
             return p.size() == 288 ? p.left(32) + p.right(4) : QByteArray("wrong size");
         }(),
         "00000001 00000002 0000000000000003 00000004 00000005 00000006 00000007 00000008"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.payload.toHex(), QByteArray::fromHex(c.hex).toHex()) << c.name;
    }
    EXPECT_EQ(RawSdiSampleGridPacket::getPayloadSizeInBytes(1, 1, 2), 13 * 4);
}

TEST(MeasurementLayout, RaggedGridRowsTakeTheFirstRowsLength) {
    Types::RawSdiSampleGrid ragged = grid(3, 2, 0);
    ragged.rows[1].samples = {7};
    ragged.rows[2].samples = {8, 9, 10};
    const auto back =
        rebuilt<RawSdiSampleGridPacket>(frameOf(RawSdiSampleGridPacket(std::move(ragged))));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->getSdiGridData().rows[1].samples, (std::vector<unsigned>{7, 0}));
    EXPECT_EQ(back->getSdiGridData().rows[2].samples, (std::vector<unsigned>{8, 9}));
}

// --- hostile frames -------------------------------------------------------

TEST(HostileFrames, CountsBoundedByPayload) {
    const QByteArray reading =
        PpmMetersData(floatReadings(), 0, 0).getSerialisedPayloadForTransmit().mid(12, 24);
    const QByteArray status =
        ST337DolbyDetectData({ST337Status{}}, 0, 0).getSerialisedPayloadForTransmit().mid(12);
    // Entries a rebuilt packet holds, whatever its class.
    auto entries = [](const RawDataPacket& p) -> int {
        if (auto m = dynamic_cast<const MetersData<float>*>(&p))
            return m->getReadings().size();
        if (auto d = dynamic_cast<const ST337DolbyDetectData*>(&p))
            return d->getReadings().size();
        if (auto e = dynamic_cast<const EyeHistogramData*>(&p))
            return e->getBins().size();
        if (auto g = dynamic_cast<const RawSdiSampleGridPacket*>(&p))
            return int(g->getSdiGridData().rows.size());
        const auto& d = dynamic_cast<const RawSdiJitterSpectrumDataPacket&>(p).getGraphData();
        return int(d.frequencies.size() + d.amplitudes.size() + d.peakHold.size());
    };
    const QByteArray lead = be32(1) + be32(2);
    const struct {
        const char* name;
        quint16 id;
        QByteArray payload;
        int expected;
    } cases[] = {
        {"meter count huge", 0x1013, lead + be32(0xFFFFFFFF) + reading + reading, 2},
        {"meter count with partial entry", 0x1014, lead + be32(3) + reading + reading.left(10), 1},
        {"meter no count", 0x1015, lead.left(5), 0},
        {"st337 count huge", 0x1018, lead + be32(1u << 31) + status, 1},
        {"eye count huge", 0x1011, be32(0x7FFFFFFF) + be32(5), 1},
        {"eye count negative", 0x1012, be32(0xFFFFFFFE) + be32(5) + be32(6), 2},
        {"grid rows huge", 0x1019, be32(0xFFFFFFFF) + be32(1) + be32(0) + QByteArray(64, 1), 2},
        {"grid samples huge", 0x1019, be32(2) + be32(0xFFFFFFFF) + be32(0) + QByteArray(64, 1), 0},
        {"grid list huge", 0x1019, be32(1) + be32(0) + be32(0x40000000) + QByteArray(40, 1), 0},
        {"jitter lengths huge", 0x101A, be32(0xFFFFFFFF) + QByteArray(20, 0), 2},
        {"jitter truncated", 0x101A, be32(3) + QByteArray(8, 0), 1},
    };
    for (const auto& c : cases) {
        const auto packet = rebuilt<RawDataPacket>(rawFrame(c.id, c.payload));
        ASSERT_TRUE(packet) << c.name;
        EXPECT_EQ(entries(*packet), c.expected) << c.name;
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

    // Called directly, a constructor may get less than the header promises.
    const QByteArray meters = frameOf(PpmMetersData(floatReadings(), 1, 2));
    EXPECT_EQ(PpmMetersData(meters.left(8 + 12 + 30)).getReadings().size(), 1);
    EXPECT_TRUE(EyeVerticalHistogramData(QByteArray(3, 0x10)).getBins().isEmpty());
}

}  // namespace
}  // namespace Corvane
