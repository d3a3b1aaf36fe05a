#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "SdiTestSupport.h"
#include "support/LogCapture.h"

namespace Corvane::Sdi {
namespace {

using namespace Testing;
using M = SubImagePixelMappingFormat;
using Standard = std::unique_ptr<const StandardFromPayloadIdentifier>;
constexpr auto pP = PF::Progressive;
constexpr auto tP = TF::Progressive;
constexpr auto tI = TF::Interlaced;

struct Expected {
    const char* name;
    int code;
    Fields fields;
    bool quadrants;
    const char* shortText;
    const char* reference;
    unsigned links;
    SdiDataRate total;
    unsigned subImages;
    M mapping;
    unsigned pixelRate;
    unsigned frameWidth, frameHeight, activeWidth, activeHeight;
    unsigned firstActiveLine, horizontalBlanking, to0H, consecutive, mappingMode;
    // capture layout: fields, lanes, width, height
    std::size_t captureFields, lanes;
    unsigned captureWidth, captureHeight;
    Standard build() const { return standard(code, fields, quadrants); }
};

// Timing and geometry of representative standards of every interface.
// Frame widths are pixel rate / nominal frame rate / lines per frame.
// clang-format off
const Expected expected[] = {
    // name, interface code, fields, quadrants,
    //   short text, reference, links, total rate, sub-images, mapping, pixel rate,
    //   frame w, h, active w, h, first active line, h-blanking, 0H, consecutive, mapping mode,
    //   capture fields, lanes, width, height
    {"1080p50 3G A", 0x89, {}, false,
     "1920x1080p50 YCbCr:422:10 3G A Rec.709", "1080p50", 1, SdiDataRate::Rate3G, 1, M::None, 148500000,
     2640, 1125, 1920, 1080, 42, 720, 528, 1920, 0,
     1, 1, 2640, 1125},
    {"1080psf24 4:4:4 3G A", 0x89, {pP, tI, R::Rate24, S::YCbCr444}, false,
     "1920x1080psf24 YCbCr:444:10 3G A Rec.709", "1080p24", 1, SdiDataRate::Rate3G, 1, M::None, 148500000,
     5500, 1125, 3840, 540, 21, 1660, 638, 3840, 1,
     2, 1, 5500, 1125},
    {"1080i59.94 1.5G", 0x85, {PF::Interlaced, tI, R::Rate30_1001}, false,
     "1920x1080i59.94 YCbCr:422:10 1.5G Rec.709", "1080i59.94", 1, SdiDataRate::Rate1G5, 1, M::None, 74250000,
     2200, 1125, 1920, 540, 21, 280, 88, 1920, 0,
     2, 1, 2200, 1125},
    {"720p59.94 1.5G", 0x84, {pP, tP, R::Rate60_1001, S::YCbCr422, W::Pixels1920, D::Bit10, C::Rec2020, A::Ratio16x9, T::Hlg}, false,
     "1280x720p59.94 YCbCr:422:10 1.5G HLG Rec.2020", "720p59.94", 1, SdiDataRate::Rate1G5, 1, M::None, 74250000,
     1650, 750, 1280, 720, 26, 370, 110, 1280, 0,
     1, 1, 1650, 750},
    {"720p50 4:4:4 3G", 0x88, {pP, tP, R::Rate50, S::YCbCr444}, false,
     "1280x720p50 YCbCr:444:10 3G A Rec.709", "720p50", 1, SdiDataRate::Rate3G, 1, M::None, 148500000,
     3960, 750, 2560, 720, 26, 1400, 440, 2560, 1,
     1, 1, 3960, 750},
    {"1080p60 3G B", 0x8A, {pP, tI, R::Rate60}, false,
     "1920x1080p60 YCbCr:422:10 3G B Rec.709", "1080p60", 1, SdiDataRate::Rate3G, 1, M::None, 148500000,
     2200, 1125, 1920, 540, 21, 280, 176, 3840, 4,
     2, 1, 4400, 1125},
    {"2160p50 12G", 0xCE, {}, false,
     "3840x2160p50 YCbCr:422:10 12G 2-SI Rec.709", "2160p50", 1, SdiDataRate::Rate12G, 4,
     M::TwoSampleInterleave, 148500000,
     2640, 1125, 1920, 1080, 82, 1440, 528, 7680, 0,
     1, 4, 2640, 1125},
    {"2160p30 6G", 0xC0, {pP, tP, R::Rate30, S::YCbCr422, W::Pixels2048, D::Bit10, C::Rec709, A::Ratio4x3}, false,
     "4096x2160p30 YCbCr:422:10 6G 2-SI Rec.709", "2160p30", 1, SdiDataRate::Rate6G, 4,
     M::TwoSampleInterleave, 74250000,
     2200, 1125, 2048, 1080, 82, 304, 88, 8192, 0,
     1, 4, 2200, 1125},
    {"2160p60 dual 6G", 0xC2, {pP, tP, R::Rate60, S::YCbCr422, W::Pixels1920, D::Bit10, C::Rec2020, A::Ratio16x9, T::Pq}, false,
     "3840x2160p60 YCbCr:422:10 DL 6G 2-SI PQ Rec.2020", "2160p60", 2, SdiDataRate::Rate12G, 4,
     M::TwoSampleInterleave, 148500000,
     2200, 1125, 1920, 1080, 82, 560, 88, 3840, 0,
     1, 4, 2200, 1125},
    {"2160p50 quad 3G A", 0x97, {}, false,
     "3840x2160p50 YCbCr:422:10 QL 3G A 2-SI Rec.709", "2160p50", 4, SdiDataRate::Rate12G, 4,
     M::TwoSampleInterleave, 148500000,
     2640, 1125, 1920, 1080, 82, 1440, 528, 1920, 0,
     1, 4, 2640, 1125},
    {"2160p59.94 quad 3G B", 0x98, {pP, tI, R::Rate60_1001}, false,
     "3840x2160p59.94 YCbCr:422:10 QL 3G B 2-SI Rec.709", "2160p59.94", 4, SdiDataRate::Rate12G, 4,
     M::TwoSampleInterleave, 148500000,
     2200, 1125, 1920, 540, 40, 560, 176, 3840, 4,
     2, 4, 4400, 1125},
    {"2160p50 quadrants 3G A", 0x89, {}, true,
     "3840x2160p50 YCbCr:422:10 QL 3G A SQ Rec.709", "2160p50", 4, SdiDataRate::Rate12G, 4,
     M::SquareDivision, 148500000,
     2640, 1125, 1920, 1080, 42, 720, 528, 1920, 0,
     1, 4, 2640, 1125},
    {"2160p59.94 quadrants 3G B", 0x8A, {pP, tI, R::Rate60_1001, S::YCbCr422, W::Pixels2048, D::Bit10, C::Rec2020, A::Ratio4x3, T::Hlg}, true,
     "4096x2160p59.94 YCbCr:422:10 QL 3G B SQ HLG Rec.2020", "2160p59.94", 4, SdiDataRate::Rate12G, 4,
     M::SquareDivision, 148500000,
     2200, 1125, 2048, 540, 21, 152, 176, 4096, 4,
     2, 4, 4400, 1125},
};
// clang-format on

TEST(StandardFromPayloadIdentifier, GeometryAndTimingOfEveryInterface) {
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.name);
        const Standard built = e.build();
        const StandardFromPayloadIdentifier& s = *built;
        EXPECT_EQ(s.getStandardAsShortText().toStdString(), e.shortText);
        EXPECT_EQ(s.getStandardAsLongText(), s.getStandardAsShortText());
        EXPECT_EQ(s.getStandardAsReferenceString().toStdString(), e.reference);
        EXPECT_EQ(s.getNumberOfPhysicalLinks(), e.links);
        EXPECT_EQ(s.getPhysicalLinksDataRates().size(), e.links);
        EXPECT_EQ(s.getTotalDataRate(), e.total);
        EXPECT_EQ(s.getSubImageCount(), e.subImages);
        EXPECT_EQ(s.getSubimagePixelMappingFormat(), e.mapping);
        EXPECT_EQ(s.getSubPicuturePixelRateInHz(), e.pixelRate);
        EXPECT_EQ(s.getSubImageFrameWidth(), e.frameWidth);
        EXPECT_EQ(s.getSubImageFrameHeight(), e.frameHeight);
        EXPECT_EQ(s.getSubImageActiveWidth(), e.activeWidth);
        EXPECT_EQ(s.getSubImageActiveHeight(), e.activeHeight);
        EXPECT_EQ(s.getFirstLineOfActivePicture(false, M::None), e.firstActiveLine);
        EXPECT_EQ(s.getReconstructedPictureHorizontalblankingSize(false, M::None),
                  e.horizontalBlanking);
        EXPECT_EQ(s.getNumberOfPixelsFromStartOfLine1To0H(), e.to0H);
        EXPECT_EQ(s.getNumberOfConsecutive20BitActiveSamplesPerPhysicalLink(), e.consecutive);
        EXPECT_EQ(s.getActivePictureMappingMode(), e.mappingMode);

        bool ok = false;
        const TqCircularBufferMetrics capture = s.getTransmissionMetrics(ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(capture.getFieldCount(), e.captureFields);
        EXPECT_EQ(capture.getSubImageCount(), e.lanes);
        EXPECT_EQ(capture.getFrameWidth(), e.captureWidth);
        EXPECT_EQ(capture.getFrameHeight(), e.captureHeight);
    }

    // A mapping given by the caller overrides the standard's own.
    const Standard quadrants = expected[11].build();
    EXPECT_EQ(quadrants->getFirstLineOfActivePicture(true, M::TwoSampleInterleave), 82u);
    EXPECT_EQ(
        quadrants->getReconstructedPictureHorizontalblankingSize(true, M::TwoSampleInterleave),
        1440u);
    EXPECT_EQ(quadrants->getFirstLineOfActivePicture(true, M::SquareDivision), 42u);
}

TEST(StandardFromPayloadIdentifier, SampleDurationAndTimingFrame) {
    EXPECT_DOUBLE_EQ(expected[6].build()->get20BitSampleRateInMicroSeconds(), 1.0 / 594.0);
    EXPECT_DOUBLE_EQ(expected[2].build()->get20BitSampleRateInMicroSeconds(), 1.0 / 74.25);
    const StandardFromPayloadIdentifier noSignal(
        {std::make_shared<const PayloadIdentifierBase>(0u)});
    EXPECT_TRUE(std::isinf(noSignal.get20BitSampleRateInMicroSeconds()));

    // The timing frame is halved for the extended colour modes.
    const std::pair<Standard, int> cases[] = {
        {expected[0].build(), 2640},  // 4:2:2 10-bit
        {expected[1].build(), 2750},  // 4:4:4 10-bit
        {standard(0x89, {pP, tP, R::Rate25, S::YCbCr422, W::Pixels2048, D::Bit12}), 2640},
    };
    for (const auto& [s, expectedWidth] : cases) {
        int width = 0;
        int height = 0;
        s->getWidthAndHeightOfSubImageFrameForTimingCalculations(width, height);
        EXPECT_EQ(width, expectedWidth);
        EXPECT_EQ(height, 1125);
    }
}

TEST(StandardFromPayloadIdentifier, ClassifiesMappingModes) {
    struct Case {
        bool levelB;
        S sampling;
        D depth;
        unsigned mode;
        bool extended, lineInterleaved, chromaHalved, alpha;
    };
    const Case cases[] = {
        {false, S::YCbCr422, D::Bit10, 0, false, false, true, false},
        {false, S::RgbA4444, D::Bit10, 1, true, false, false, true},
        {false, S::Rgb444, D::Bit12, 2, true, false, false, false},
        {false, S::YCbCrA4224, D::Bit12, 3, true, false, true, true},
        {true, S::YCbCr422, D::Bit10, 4, false, true, true, false},
        {true, S::YCbCrA4444, D::Bit10, 5, true, false, false, true},
        {true, S::YCbCr444, D::Bit12, 6, true, false, false, false},
        {true, S::YCbCr422, D::Bit12, 7, true, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode);
        const Standard s = standard(c.levelB ? 0x8A : 0x89,
                                    {pP, tP, R::Rate30, c.sampling, W::Pixels1920, c.depth});
        EXPECT_EQ(s->getActivePictureMappingMode(), c.mode);
        EXPECT_EQ(s->isExtendedColourMode(), c.extended);
        EXPECT_EQ(s->isLevelBLineInterleaved(), c.lineInterleaved);
        EXPECT_EQ(s->isChromaHalved(), c.chromaHalved);
        EXPECT_EQ(s->hasAlphaChannel(), c.alpha);
    }

    Corvane::Testing::LogCapture log;
    EXPECT_EQ(standard(0x8A, {pP, tP, R::Rate30, S::YCbCr420})->getActivePictureMappingMode(), 0u);
    EXPECT_TRUE(log.contains("Shouldn't reach this return statement"));
}

TEST(StandardFromPayloadIdentifier, UnsupportedCaptureLayoutsFailWithAReason) {
    const std::pair<Fields, const char*> cases[] = {
        {{pP, tP, R::Rate30, S::YCbCr444}, "Don't support extended colour modes"},
        {{PF::Interlaced, tI, R::Rate30, S::YCbCr444}, "Couldn't create metrics."},
    };
    for (const auto& [fields, message] : cases) {
        SCOPED_TRACE(message);
        Corvane::Testing::LogCapture log;
        bool ok = true;
        const TqCircularBufferMetrics capture = standard(0x8A, fields)->getTransmissionMetrics(ok);
        EXPECT_FALSE(ok);
        EXPECT_EQ(capture.getFieldCount(), 0u);
        EXPECT_TRUE(log.contains(
            std::string("StandardFromPayloadIdentifier::getTransmissionMetrics: ") + message));
    }
}

TEST(StandardFromPayloadIdentifier, VirtualInterfacesPerLevelAndScanning) {
    struct Case {
        const char* name;
        Standard s;
        unsigned count;
        std::size_t fields;
        unsigned secondFieldActiveTop;  // 0 when there is no second field
    };
    const Case cases[] = {
        {"level A progressive", expected[0].build(), 1, 1, 0},
        {"level A segmented", expected[1].build(), 1, 2, 584 - 1 - 563},
        {"level B interlaced transport", expected[5].build(), 2, 2, 584 - 1 - 563},
        {"level B progressive transport", standard(0x8A, {pP, tP, R::Rate30, S::YCbCr444}), 2, 1,
         0},
        {"720 line on 1.5G", expected[3].build(), 1, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const VirtualInterfaceMetrics vi = c.s->getVirtualInterfaceMetrics();
        EXPECT_EQ(vi.getVirtualInterfaceCount(), c.count);
        const auto& fields = vi.getFrameMetrics().getFieldMetrics();
        ASSERT_EQ(fields.size(), c.fields);
        // Every field counts its lines from 0.
        for (const FieldMetrics& field : fields) {
            EXPECT_EQ(field.getWholeFieldRegion().getFirstLineIndex(), 0u);
            EXPECT_EQ(field.getActivePictureRegion().getLastSampleIndex(), field.getWidth() - 1);
        }
        if (c.fields == 2) {
            EXPECT_EQ(fields[1].getActivePictureRegion().getFirstLineIndex(),
                      c.secondFieldActiveTop);
        }
    }
}

TEST(StandardFromPayloadIdentifier, CreationRequiresMatchingInterfaceCodes) {
    const PayloadIdentifierPtr good = identifier(0x89C98001);
    const PayloadIdentifierPtr wrongCode = identifier(0x85C98001, 0x89);
    using F = StandardFromPayloadIdentifier;
    EXPECT_EQ(F::createStandardFromPayloadIdentifier({}), nullptr);
    EXPECT_EQ(F::createStandardFromPayloadIdentifier({good, wrongCode}), nullptr);
    const auto one = F::createStandardFromPayloadIdentifier({good});
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(one->getStandardAsShortText(), good->toHumanReadable(true));
    EXPECT_FALSE(one->isQuadrantMode());
    EXPECT_FALSE(F::createStandardFromPayloadIdentifier({good, good})->isQuadrantMode());
    EXPECT_TRUE(F::createStandardFromPayloadIdentifier({good, good, good})->isQuadrantMode());
}

TEST(StandardFromPayloadIdentifier, IdentifiersOfASubImage) {
    const Standard s12g = expected[6].build();
    const auto all = s12g->getPayloadIdentifiers();
    ASSERT_EQ(all.size(), 8u);
    EXPECT_EQ(s12g->getPayloadIdentifiersForSubImage(1),
              (StandardFromPayloadIdentifier::PayloadIdentifierList{all[2], all[3]}));
    EXPECT_TRUE(s12g->getPayloadIdentifiersForSubImage(4).empty());

    const StandardFromPayloadIdentifier three({all[0], all[0], all[0]});
    EXPECT_TRUE(three.getPayloadIdentifiersForSubImage(1).empty());
    EXPECT_EQ(three.getPayloadIdentifiersForSubImage(0).size(), 2u);

    const Standard s1g5 = expected[2].build();
    EXPECT_EQ(s1g5->getPayloadIdentifiersForSubImage(3), s1g5->getPayloadIdentifiers());
}

TEST(StandardFromPayloadIdentifier, EqualityComparesEveryWordInOrder) {
    const PayloadIdentifierPtr id = identifier(0xCEC98001);
    const PayloadIdentifierPtr otherChannel = identifier(0xCEC98021);
    const StandardFromPayloadIdentifier a({id, id});
    EXPECT_EQ(a, StandardFromPayloadIdentifier({identifier(0xCEC98001), id}));
    EXPECT_EQ(StandardFromPayloadIdentifier(a), a);
    EXPECT_NE(a, StandardFromPayloadIdentifier({id, otherChannel}));
    EXPECT_NE(a, StandardFromPayloadIdentifier({id}));

    const PayloadIdentifierPtr q = identifier(0x89C98001);
    const StandardFromPayloadIdentifier withGap({q, q, nullptr});
    EXPECT_NE(StandardFromPayloadIdentifier({q, q, q}), withGap);
    EXPECT_EQ(withGap, StandardFromPayloadIdentifier({q, q, nullptr}));
}

TEST(StandardFromPayloadIdentifier, QueriesOnAnEmptyStandardThrowOutOfRange) {
    const StandardFromPayloadIdentifier empty({});
    EXPECT_THROW(empty.getSubImageFrameWidth(), std::out_of_range);
    EXPECT_TRUE(empty.getPayloadIdentifierWords().empty());
    bool ok = true;
    Corvane::Testing::LogCapture log;
    EXPECT_EQ(empty.getTransmissionMetrics(ok).getFieldCount(), 0u);
    EXPECT_FALSE(ok);
}

}  // namespace
}  // namespace Corvane::Sdi
