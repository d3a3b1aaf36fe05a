#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <vector>

#include "sdi/VideoStandardCreator.h"

namespace Corvane::Sdi {
namespace {

using PF = PayloadId::PictureFormat;
using TF = PayloadId::TransportFormat;
using R = PayloadId::PictureRate;
using S = PayloadId::SampleStructure;
using D = PayloadId::BitDepth;
using W = PayloadId::HorizontalPixelArraySize;
using A = PayloadId::AspectRatio;
using C = PayloadId::Colourimetry;
using T = PayloadId::TransferCurve;
using VSC = VideoStandardCreator;
constexpr auto yc = PayloadId::LuminanceAndColourDifferenceSignal::YCbCr;
constexpr auto noCopy = PayloadId::AudioCopyStatus::NotSet;
constexpr PF pP = PF::Progressive;
constexpr TF tP = TF::Progressive;

using Build = std::function<void(StandardList&)>;

template <typename F>
Build b1080(F f) {
    return [f](StandardList& l) {
        f(pP, tP, R::Rate50, S::YCbCr422, C::Rec709, A::Ratio16x9, W::Pixels1920, D::Bit10,
          T::SdrTv, yc, l);
    };
}
template <typename F>
Build b2160(F f) {
    return [f](StandardList& l) {
        f(pP, tP, R::Rate50, S::YCbCr422, C::Rec709, A::Ratio16x9, W::Pixels1920, D::Bit10, noCopy,
          T::SdrTv, yc, l);
    };
}

struct Layout {
    const char* name;
    Build builder;
    uint8_t byte1;
    std::vector<int> channels;  // -1: the interface has no channel field
    std::size_t distinctObjects;
};

TEST(VideoStandardCreator, ArrangesIdentifiersInLinkOrder) {
    const Layout layouts[] = {
        {"720 1.5G",
         [](StandardList& l) {
             VSC::add720_1g5(R::Rate50, S::YCbCr422, C::Rec709, D::Bit10, T::SdrTv, yc, l);
         },
         0x84,
         {-1},
         1},
        {"720 3G",
         [](StandardList& l) {
             VSC::add720_3g(R::Rate50, S::YCbCr444, C::Rec709, A::Ratio16x9, D::Bit10, T::SdrTv, yc,
                            l);
         },
         0x88,
         {-1, -1},
         1},
        {"1080 1.5G", b1080(&VSC::add1080_1g5), 0x85, {-1}, 1},
        {"1080 3G", b1080(&VSC::add1080_3g), 0x89, {-1, -1}, 1},
        {"1080 3G B", b1080(&VSC::add1080_Levelb3g), 0x8A, {0, 1}, 2},
        {"12G", b2160(&VSC::add2160_12g), 0xCE, {0, 0, 0, 0, 0, 0, 0, 0}, 8},
        {"6G", b2160(&VSC::add2160_6g), 0xC0, {0, 0, 0, 0, 0, 0, 0, 0}, 8},
        {"dual 6G", b2160(&VSC::add2160_DualLink6g), 0xC2, {0, 0, 0, 0, 1, 1, 1, 1}, 8},
        {"quad 3G", b2160(&VSC::add2160_QuadLink3g), 0x97, {0, 0, 1, 1, 2, 2, 3, 3}, 8},
        {"quad 3G B", b2160(&VSC::add2160_QuadLinkLevelb3g), 0x98, {0, 1, 2, 3, 4, 5, 6, 7}, 8},
        {"quadrants",
         b1080(&VSC::add2160_QuadLink3gQuadrantMode),
         0x89,
         {-1, -1, -1, -1, -1, -1, -1, -1},
         1},
        {"quadrants B",
         b1080(&VSC::add2160_QuadLinkLevelb3gQuadrantMode),
         0x8A,
         {0, 1, 0, 1, 0, 1, 0, 1},
         8},
    };
    for (const Layout& layout : layouts) {
        SCOPED_TRACE(layout.name);
        StandardList list;
        layout.builder(list);
        ASSERT_EQ(list.size(), 1u);
        ASSERT_NE(list[0], nullptr);
        const auto identifiers = list[0]->getPayloadIdentifiers();
        ASSERT_EQ(identifiers.size(), layout.channels.size());
        std::set<const PayloadIdentifierBase*> objects;
        for (std::size_t i = 0; i < identifiers.size(); ++i) {
            const PayloadIdentifierBase& id = *identifiers[i];
            objects.insert(&id);
            EXPECT_EQ(id.getWord() >> 24, layout.byte1);
            EXPECT_TRUE(id.doReservedBitsChecks().isEmpty());
            if (layout.channels[i] < 0) {
                EXPECT_FALSE(id.hasField(PayloadIdentifierBase::FieldType::Channel));
            } else {
                EXPECT_EQ(static_cast<int>(id.getChannel()), layout.channels[i])
                    << "position " << i;
            }
            // The links of one signal all describe the same video.
            EXPECT_TRUE(id.compareForVideoStandard(*identifiers[0], false));
        }
        EXPECT_EQ(objects.size(), layout.distinctObjects);
    }
}

TEST(VideoStandardCreator, WritesEveryFieldIntoTheWord) {
    StandardList list;
    VSC::add1080_3g(pP, tP, R::Rate50, S::YCbCr422, C::Rec709, A::Ratio16x9, W::Pixels1920,
                    D::Bit10, T::SdrTv, yc, list);
    const auto words = list[0]->getPayloadIdentifierWords();
    EXPECT_EQ(words, (std::vector<uint32_t>{0x89C98001, 0x89C98001}));
    EXPECT_EQ(list[0]->getStandardAsShortText(), "1920x1080p50 YCbCr:422:10 3G A Rec.709");

    // Quad-link words differ only in the channel bits 6 and 7 of byte 4.
    StandardList quad;
    b2160 (&VSC::add2160_QuadLink3g)(quad);
    const auto quadWords = quad[0]->getPayloadIdentifierWords();
    for (std::size_t i = 0; i < quadWords.size(); ++i) {
        EXPECT_EQ(quadWords[i] & ~0xC0u, quadWords[0] & ~0xC0u);
        EXPECT_EQ((quadWords[i] >> 6) & 3u, i / 2);
    }

    // Every argument lands in its own field.
    StandardList hdr;
    VSC::add2160_12g(pP, tP, R::Rate60_1001, S::YCbCr444, C::Rec2020, A::Ratio4x3, W::Pixels2048,
                     D::Bit12, PayloadId::AudioCopyStatus::Set, T::Pq,
                     PayloadId::LuminanceAndColourDifferenceSignal::ICtCp, hdr);
    const PayloadIdentifierBase& id = *hdr[0]->getPayloadIdentifiers()[0];
    EXPECT_EQ(id.getPictureRate(), R::Rate60_1001);
    EXPECT_EQ(id.getSampleStructure(), S::YCbCr444);
    EXPECT_EQ(id.getColourimetry(), C::Rec2020);
    EXPECT_EQ(id.getAspectRatio(), A::Ratio4x3);
    EXPECT_EQ(id.getHorizontalArraySize(), W::Pixels2048);
    EXPECT_EQ(id.getBitDepth(), D::Bit12);
    EXPECT_EQ(id.getAudioCopyStatus(), PayloadId::AudioCopyStatus::Set);
    EXPECT_EQ(id.getTransferCharacteristics(), T::Pq);
    EXPECT_EQ(id.getLuminanceAndColourDifferenceSignal(),
              PayloadId::LuminanceAndColourDifferenceSignal::ICtCp);
}

TEST(VideoStandardCreator, DropsValuesThatDoNotFitTheirField) {
    StandardList list;
    VSC::add1080_3g(pP, tP, R::Rate50, S::YCbCr422, C::Rec709, A::Ratio16x9, W::Pixels1920,
                    static_cast<D>(5), T::SdrTv, yc, list);
    ASSERT_EQ(list.size(), 1u);
    ASSERT_NE(list[0], nullptr);
    EXPECT_EQ(list[0]->getBitDepth(), D::Bit10FullRange);
    EXPECT_EQ(list[0]->getPayloadIdentifierWords()[0], 0x89C98000u);

    // 720-line 1.5G identifiers have a one-bit depth field: 12-bit does not fit.
    StandardList narrow;
    VSC::add720_1g5(R::Rate50, S::YCbCr422, C::Rec709, D::Bit12, T::SdrTv, yc, narrow);
    EXPECT_EQ(narrow[0]->getBitDepth(), D::Bit10FullRange);
    EXPECT_EQ(narrow[0]->getPictureFormat(), PF::Progressive);
}

}  // namespace
}  // namespace Corvane::Sdi
