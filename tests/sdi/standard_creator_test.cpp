#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "SdiTestSupport.h"

namespace Corvane::Sdi {
namespace {

using namespace Testing;

TEST(VideoStandardCreator, ArrangesIdentifiersInLinkOrder) {
    struct Layout {
        int code;
        bool quadrants;
        std::vector<int> channels;  // -1: the interface has no channel field
        std::size_t distinctObjects;
    };
    const Layout layouts[] = {
        {0x84, false, {-1}, 1},
        {0x88, false, {-1, -1}, 1},
        {0x85, false, {-1}, 1},
        {0x89, false, {-1, -1}, 1},
        {0x8A, false, {0, 1}, 2},
        {0xCE, false, {0, 0, 0, 0, 0, 0, 0, 0}, 8},
        {0xC0, false, {0, 0, 0, 0, 0, 0, 0, 0}, 8},
        {0xC2, false, {0, 0, 0, 0, 1, 1, 1, 1}, 8},
        {0x97, false, {0, 0, 1, 1, 2, 2, 3, 3}, 8},
        {0x98, false, {0, 1, 2, 3, 4, 5, 6, 7}, 8},
        {0x89, true, {-1, -1, -1, -1, -1, -1, -1, -1}, 1},
        {0x8A, true, {0, 1, 0, 1, 0, 1, 0, 1}, 8},
    };
    for (const Layout& layout : layouts) {
        SCOPED_TRACE(testing::Message() << layout.code << (layout.quadrants ? " quadrants" : ""));
        // 4:4:4 so that the 720-line 3G builder needs its second link
        const auto identifiers =
            standard(layout.code, {PF::Progressive, TF::Progressive, R::Rate50, S::YCbCr444},
                     layout.quadrants)
                ->getPayloadIdentifiers();
        ASSERT_EQ(identifiers.size(), layout.channels.size());
        std::set<const PayloadIdentifierBase*> objects;
        for (std::size_t i = 0; i < identifiers.size(); ++i) {
            const PayloadIdentifierBase& id = *identifiers[i];
            objects.insert(&id);
            EXPECT_EQ(int(id.getWord() >> 24), layout.code);
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
    const auto p50 = standard(0x89, {});
    EXPECT_EQ(p50->getPayloadIdentifierWords(), (std::vector<uint32_t>{0x89C98001, 0x89C98001}));

    // Quad-link words differ only in the channel bits 6 and 7 of byte 4.
    const auto quadWords = standard(0x97, {})->getPayloadIdentifierWords();
    for (std::size_t i = 0; i < quadWords.size(); ++i) {
        EXPECT_EQ(quadWords[i] & ~0xC0u, quadWords[0] & ~0xC0u);
        EXPECT_EQ((quadWords[i] >> 6) & 3u, i / 2);
    }

    // Every argument lands in its own field.
    const auto hdr = standard(
        0xCE, {PF::Progressive, TF::Progressive, R::Rate60_1001, S::YCbCr444, W::Pixels2048,
               D::Bit12, C::Rec2020, A::Ratio4x3, T::Pq, L::ICtCp, Copy::Set});
    const PayloadIdentifierBase& id = *hdr->getPayloadIdentifiers()[0];
    EXPECT_EQ(id.getPictureRate(), R::Rate60_1001);
    EXPECT_EQ(id.getSampleStructure(), S::YCbCr444);
    EXPECT_EQ(id.getColourimetry(), C::Rec2020);
    EXPECT_EQ(id.getAspectRatio(), A::Ratio4x3);
    EXPECT_EQ(id.getHorizontalArraySize(), W::Pixels2048);
    EXPECT_EQ(id.getBitDepth(), D::Bit12);
    EXPECT_EQ(id.getAudioCopyStatus(), Copy::Set);
    EXPECT_EQ(id.getTransferCharacteristics(), T::Pq);
    EXPECT_EQ(id.getLuminanceAndColourDifferenceSignal(), L::ICtCp);
}

}  // namespace
}  // namespace Corvane::Sdi
