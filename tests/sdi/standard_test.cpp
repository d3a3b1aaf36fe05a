#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "SdiTestSupport.h"
#include "sdi/SupportedVideoStandards.h"
#include "support/LogCapture.h"

#include <fmt/format.h>

namespace Corvane::Sdi {
namespace {

using namespace Testing;
using M = SubImagePixelMappingFormat;
using DR = SdiDataRate;
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
    std::size_t captureFields, lanes;
    unsigned captureWidth, captureHeight;
    int timingWidth;
    double wordMHz;
    unsigned virtualInterfaces;
    std::size_t virtualInterfaceFields;
    Standard build() const { return standard(code, fields, quadrants); }
};

// Timing and geometry of representative standards of every interface.
// Frame widths are pixel rate / nominal frame rate / lines per frame.
// clang-format off
const Expected expected[] = {
    // name, interface code, fields, quadrants,
    //   short text, reference, links, total rate, sub-images, mapping,
    //   pixel rate, frame w, h, active w, h, first active line, h-blanking, 0H, consecutive,
    //   mapping mode; capture fields, lanes, w, h; timing width (halved for the extended
    //   colour modes); 20-bit word rate of one link in MHz; virtual interfaces, their fields
    {"1080p50 3G A", 0x89, {}, false,
     "1920x1080p50 YCbCr:422:10 3G A Rec.709", "1080p50", 1, DR::Rate3G, 1, M::None,
     148500000, 2640, 1125, 1920, 1080, 42, 720, 528, 1920, 0, 1, 1, 2640, 1125, 2640, 148.5, 1, 1},
    {"1080psf24 4:4:4 3G A", 0x89, {pP, tI, R::Rate24, S::YCbCr444}, false,
     "1920x1080psf24 YCbCr:444:10 3G A Rec.709", "1080p24", 1, DR::Rate3G, 1, M::None,
     148500000, 5500, 1125, 3840, 540, 21, 1660, 638, 3840, 1, 2, 1, 5500, 1125, 2750, 148.5, 1, 2},
    {"1080i59.94 1.5G", 0x85, {PF::Interlaced, tI, R::Rate30_1001}, false,
     "1920x1080i59.94 YCbCr:422:10 1.5G Rec.709", "1080i59.94", 1, DR::Rate1G5, 1, M::None,
     74250000, 2200, 1125, 1920, 540, 21, 280, 88, 1920, 0, 2, 1, 2200, 1125, 2200, 74.25, 1, 2},
    {"720p59.94 1.5G", 0x84, {pP, tP, R::Rate60_1001, S::YCbCr422, W::Pixels1920, D::Bit10, C::Rec2020, A::Ratio16x9, T::Hlg}, false,
     "1280x720p59.94 YCbCr:422:10 1.5G HLG Rec.2020", "720p59.94", 1, DR::Rate1G5, 1, M::None,
     74250000, 1650, 750, 1280, 720, 26, 370, 110, 1280, 0, 1, 1, 1650, 750, 1650, 74.25, 1, 1},
    {"720p50 4:4:4 3G", 0x88, {pP, tP, R::Rate50, S::YCbCr444}, false,
     "1280x720p50 YCbCr:444:10 3G A Rec.709", "720p50", 1, DR::Rate3G, 1, M::None,
     148500000, 3960, 750, 2560, 720, 26, 1400, 440, 2560, 1, 1, 1, 3960, 750, 1980, 148.5, 1, 1},
    {"1080p60 3G B", 0x8A, {pP, tI, R::Rate60}, false,
     "1920x1080p60 YCbCr:422:10 3G B Rec.709", "1080p60", 1, DR::Rate3G, 1, M::None,
     148500000, 2200, 1125, 1920, 540, 21, 280, 176, 3840, 4, 2, 1, 4400, 1125, 2200, 148.5, 2, 2},
    {"2160p50 12G", 0xCE, {}, false,
     "3840x2160p50 YCbCr:422:10 12G 2-SI Rec.709", "2160p50", 1, DR::Rate12G, 4, M::TwoSampleInterleave,
     148500000, 2640, 1125, 1920, 1080, 82, 1440, 528, 7680, 0, 1, 4, 2640, 1125, 2640, 594, 1, 1},
    {"2160p30 6G", 0xC0, {pP, tP, R::Rate30, S::YCbCr422, W::Pixels2048, D::Bit10, C::Rec709, A::Ratio4x3}, false,
     "4096x2160p30 YCbCr:422:10 6G 2-SI Rec.709", "2160p30", 1, DR::Rate6G, 4, M::TwoSampleInterleave,
     74250000, 2200, 1125, 2048, 1080, 82, 304, 88, 8192, 0, 1, 4, 2200, 1125, 2200, 297, 1, 1},
    {"2160p60 dual 6G", 0xC2, {pP, tP, R::Rate60, S::YCbCr422, W::Pixels1920, D::Bit10, C::Rec2020, A::Ratio16x9, T::Pq}, false,
     "3840x2160p60 YCbCr:422:10 DL 6G 2-SI PQ Rec.2020", "2160p60", 2, DR::Rate12G, 4, M::TwoSampleInterleave,
     148500000, 2200, 1125, 1920, 1080, 82, 560, 88, 3840, 0, 1, 4, 2200, 1125, 2200, 297, 1, 1},
    {"2160p50 quad 3G A", 0x97, {}, false,
     "3840x2160p50 YCbCr:422:10 QL 3G A 2-SI Rec.709", "2160p50", 4, DR::Rate12G, 4, M::TwoSampleInterleave,
     148500000, 2640, 1125, 1920, 1080, 82, 1440, 528, 1920, 0, 1, 4, 2640, 1125, 2640, 148.5, 1, 1},
    {"2160p59.94 quad 3G B", 0x98, {pP, tI, R::Rate60_1001}, false,
     "3840x2160p59.94 YCbCr:422:10 QL 3G B 2-SI Rec.709", "2160p59.94", 4, DR::Rate12G, 4, M::TwoSampleInterleave,
     148500000, 2200, 1125, 1920, 540, 40, 560, 176, 3840, 4, 2, 4, 4400, 1125, 2200, 148.5, 2, 2},
    {"2160p50 quadrants 3G A", 0x89, {}, true,
     "3840x2160p50 YCbCr:422:10 QL 3G A SQ Rec.709", "2160p50", 4, DR::Rate12G, 4, M::SquareDivision,
     148500000, 2640, 1125, 1920, 1080, 42, 720, 528, 1920, 0, 1, 4, 2640, 1125, 2640, 148.5, 1, 1},
    {"2160p59.94 quadrants 3G B", 0x8A, {pP, tI, R::Rate60_1001, S::YCbCr422, W::Pixels2048, D::Bit10, C::Rec2020, A::Ratio4x3, T::Hlg}, true,
     "4096x2160p59.94 YCbCr:422:10 QL 3G B SQ HLG Rec.2020", "2160p59.94", 4, DR::Rate12G, 4, M::SquareDivision,
     148500000, 2200, 1125, 2048, 540, 21, 152, 176, 4096, 4, 2, 4, 4400, 1125, 2200, 148.5, 2, 2},
};
// clang-format on

TEST(StandardFromPayloadIdentifier, GeometryAndTimingOfEveryInterface) {
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.name);
        const Standard built = e.build();
        const StandardFromPayloadIdentifier& s = *built;
        EXPECT_EQ(s.getStandardAsShortText().toStdString(), e.shortText);
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

        int width = 0;
        int height = 0;
        s.getWidthAndHeightOfSubImageFrameForTimingCalculations(width, height);
        EXPECT_EQ(width, e.timingWidth);
        EXPECT_EQ(height, int(e.frameHeight));
        EXPECT_DOUBLE_EQ(s.get20BitSampleRateInMicroSeconds(), 1.0 / e.wordMHz);

        const VirtualInterfaceMetrics vi = s.getVirtualInterfaceMetrics();
        EXPECT_EQ(vi.getVirtualInterfaceCount(), e.virtualInterfaces);
        const auto& fields = vi.getFrameMetrics().getFieldMetrics();
        ASSERT_EQ(fields.size(), e.virtualInterfaceFields);
        // Every field counts its lines from 0: the second field's active
        // picture starts on interface line 584, line 20 of that field.
        for (const FieldMetrics& field : fields) {
            EXPECT_EQ(field.getWholeFieldRegion().getFirstLineIndex(), 0u);
            EXPECT_EQ(field.getActivePictureRegion().getLastSampleIndex(), field.getWidth() - 1);
        }
        if (fields.size() == 2) {
            EXPECT_EQ(fields[1].getActivePictureRegion().getFirstLineIndex(), 584u - 1 - 563);
        }
    }

    // A mapping given by the caller overrides the standard's own.
    const Standard quadrants = expected[11].build();
    EXPECT_EQ(quadrants->getFirstLineOfActivePicture(true, M::TwoSampleInterleave), 82u);
    EXPECT_EQ(
        quadrants->getReconstructedPictureHorizontalblankingSize(true, M::TwoSampleInterleave),
        1440u);
    EXPECT_EQ(quadrants->getFirstLineOfActivePicture(true, M::SquareDivision), 42u);
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
    // Level B without an interlaced transport: two virtual interfaces of one field.
    const VirtualInterfaceMetrics vi = standard(0x8A, cases[0].first)->getVirtualInterfaceMetrics();
    EXPECT_EQ(vi.getVirtualInterfaceCount(), 2u);
    EXPECT_EQ(vi.getFrameMetrics().getFieldMetrics().size(), 1u);
}

TEST(StandardFromPayloadIdentifier, CreationAndEqualityTakeEveryWordInOrder) {
    const PayloadIdentifierPtr good = identifier(0x89C98001);
    const PayloadIdentifierPtr wrongCode = identifier(0x85C98001, 0x89);
    using F = StandardFromPayloadIdentifier;
    EXPECT_EQ(F::createStandardFromPayloadIdentifier({}), nullptr);
    EXPECT_EQ(F::createStandardFromPayloadIdentifier({good, wrongCode}), nullptr);
    EXPECT_FALSE(F::createStandardFromPayloadIdentifier({good})->isQuadrantMode());
    EXPECT_FALSE(F::createStandardFromPayloadIdentifier({good, good})->isQuadrantMode());
    EXPECT_TRUE(F::createStandardFromPayloadIdentifier({good, good, good})->isQuadrantMode());

    const PayloadIdentifierPtr id = identifier(0xCEC98001);
    const F a({id, id});
    EXPECT_EQ(a, F({identifier(0xCEC98001), id}));
    EXPECT_EQ(F(a), a);
    EXPECT_NE(a, F({id, identifier(0xCEC98021)}));
    EXPECT_NE(a, F({id}));
    const F withGap({good, good, nullptr});
    EXPECT_NE(F({good, good, good}), withGap);
    EXPECT_EQ(withGap, F({good, good, nullptr}));
}

TEST(StandardFromPayloadIdentifier, IdentifiersOfASubImageAndEmptyStandards) {
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

    const StandardFromPayloadIdentifier empty({});
    EXPECT_THROW(empty.getSubImageFrameWidth(), std::out_of_range);
    EXPECT_TRUE(empty.getPayloadIdentifierWords().empty());
    bool ok = true;
    Corvane::Testing::LogCapture log;
    EXPECT_EQ(empty.getTransmissionMetrics(ok).getFieldCount(), 0u);
    EXPECT_FALSE(ok);
    const StandardFromPayloadIdentifier noSignal(
        {std::make_shared<const PayloadIdentifierBase>(0u)});
    EXPECT_TRUE(std::isinf(noSignal.get20BitSampleRateInMicroSeconds()));
}

TEST(VideoStandardCreator, WritesEveryFieldAndArrangesIdentifiersInLinkOrder) {
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
        SCOPED_TRACE(testing::Message()
                     << std::hex << layout.code << (layout.quadrants ? " quadrants" : ""));
        // 4:4:4 so that the 720-line 3G builder needs its second link
        const auto identifiers =
            standard(layout.code, {pP, tP, R::Rate50, S::YCbCr444}, layout.quadrants)
                ->getPayloadIdentifiers();
        ASSERT_EQ(identifiers.size(), layout.channels.size());
        std::set<const PayloadIdentifierBase*> objects;
        for (std::size_t i = 0; i < identifiers.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "position " << i);
            const PayloadIdentifierBase& id = *identifiers[i];
            objects.insert(&id);
            EXPECT_EQ(int(id.getWord() >> 24), layout.code);
            EXPECT_TRUE(id.doReservedBitsChecks().isEmpty());
            std::uint32_t channelBits = 0;
            if (layout.channels[i] < 0) {
                EXPECT_FALSE(id.hasField(PayloadIdentifierBase::FieldType::Channel));
            } else {
                EXPECT_EQ(static_cast<int>(id.getChannel()), layout.channels[i]);
                channelBits =
                    id.getFieldMap().at(PayloadIdentifierBase::FieldType::Channel).wordMask();
            }
            // The links of one signal differ in nothing but their channel.
            EXPECT_EQ(id.getWord() & ~channelBits, identifiers[0]->getWord() & ~channelBits);
        }
        EXPECT_EQ(objects.size(), layout.distinctObjects);
    }
    EXPECT_EQ(standard(0x89, {})->getPayloadIdentifierWords(),
              (std::vector<uint32_t>{0x89C98001, 0x89C98001}));
    // Every argument in its own bits: EA = progressive, PQ, 59.94; 61 = 4:3,
    // 2048, Rec.2020, 4:4:4; 16 = ICtCp, copy set, 12-bit.
    const Fields hdr{pP,         tP,          R::Rate60_1001, S::YCbCr444, W::Pixels2048, D::Bit12,
                     C::Rec2020, A::Ratio4x3, T::Pq,          L::ICtCp,    Copy::Set};
    EXPECT_EQ(standard(0xCE, hdr)->getPayloadIdentifierWords()[0], 0xCEEA6116u);
}

class Catalogue : public testing::Test {
protected:
    const SupportedVideoStandards::StandardPointers& analyser =
        SupportedVideoStandards::instance().getSupportedAnalyserStandards();
    const SupportedVideoStandards::StandardPointers& generator =
        SupportedVideoStandards::instance().getSupportedGeneratorStandards();
};

// What the analyser receives but the generator does not produce: the level B
// extended colour modes and the 1920 (3840) wide pictures at 47.95 and 48.
bool isAnalyserOnly(const StandardFromPayloadIdentifier& s) {
    const bool levelB = s.getLevel() == 1;
    const bool narrow48 = s.getSubImageHorizontalPixelArraySize() == W::Pixels1920 &&
                          (s.getPictureRate() == R::Rate48_1001 || s.getPictureRate() == R::Rate48);
    return (levelB && s.isExtendedColourMode()) || narrow48;
}

TEST_F(Catalogue, EveryEntryIsAValidDistinctStandard) {
    for (const auto* list : {&analyser, &generator}) {
        std::set<std::vector<uint32_t>> seen;
        for (const StandardFromPayloadIdentifier* s : *list) {
            ASSERT_NE(s, nullptr);
            SCOPED_TRACE(s->getStandardAsShortText().toStdString());
            EXPECT_TRUE(s->areAllPayloadIdentifiersValid());
            // The extended colour modes received on level B pass their own rules.
            for (const auto& id : s->getPayloadIdentifiers()) {
                EXPECT_FALSE(id->doSmpteValidationChecks().join(' ').contains("Extended colour"));
            }
            EXPECT_EQ(s->getLuminanceAndColourDifferenceSignal(), L::YCbCr);
            EXPECT_TRUE(seen.insert(s->getPayloadIdentifierWords()).second) << "repeated";
            bool ok = false;
            s->getTransmissionMetrics(ok);
            // Only the level B extended colour modes lack a capture layout.
            EXPECT_EQ(ok, !(s->getLevel() == 1 && s->isExtendedColourMode()));
            // Built again from nothing but its own getters, it is the same standard.
            const PayloadIdentifierBase& first = *s->getPayloadIdentifiers().front();
            EXPECT_EQ(
                *standard(int(first.getWord() >> 24),
                          {s->getPictureFormat(), s->getTransportFormat(), s->getPictureRate(),
                           s->getSampleStructure(), s->getSubImageHorizontalPixelArraySize(),
                           s->getBitDepth(), s->getColourimetry(), s->getAspectRatio(),
                           s->getTransferCurve(), s->getLuminanceAndColourDifferenceSignal(),
                           first.getAudioCopyStatus()},
                          s->isQuadrantMode()),
                *s);
        }
    }
}

TEST_F(Catalogue, AnalyserListIsTheGeneratorListPlusReceiveOnlyStandards) {
    std::size_t g = 0;
    std::size_t extras = 0;
    for (const StandardFromPayloadIdentifier* s : analyser) {
        const bool shared = g < generator.size() && *generator[g] == *s;
        EXPECT_NE(isAnalyserOnly(*s), shared) << s->getStandardAsShortText().toStdString();
        ++(shared ? g : extras);
    }
    EXPECT_EQ(g, generator.size());
    EXPECT_EQ(extras, 214u);
}

// Runs of one interface code and quadrant mode ("q"), as "code:standards ...".
std::string familyRuns(const SupportedVideoStandards::StandardPointers& list) {
    std::vector<std::pair<std::string, int>> runs;
    for (const StandardFromPayloadIdentifier* s : list) {
        const std::string family = fmt::format("{:X}{}", s->getPayloadIdentifierWords()[0] >> 24,
                                               s->isQuadrantMode() ? "q" : "");
        if (runs.empty() || runs.back().first != family) {
            runs.emplace_back(family, 0);
        }
        ++runs.back().second;
    }
    std::string text;
    for (const auto& [family, count] : runs) {
        text += fmt::format("{}:{} ", family, count);
    }
    return text;
}

TEST_F(Catalogue, FamiliesComeInPresentationOrder) {
    // The runs cover both lists whole (768 and 982 standards). 2160-line
    // families: 8 standards per colour pair (10 for the analyser), four pairs;
    // 1080 3G A then has 322 more, level B 150 more for the analyser.
    EXPECT_EQ(familyRuns(generator),
              "CE:32 C2:32 C0:40 98:32 97:32 8Aq:32 89q:32 8A:32 89:354 88:40 85:92 84:18 ");
    EXPECT_EQ(familyRuns(analyser),
              "CE:40 C2:40 C0:40 98:40 97:40 8Aq:40 89q:40 8A:190 89:362 88:40 85:92 84:18 ");
    for (const auto* list : {&analyser, &generator}) {
        EXPECT_EQ(list->front()->getStandardAsShortText(),
                  "4096x2160p47.95 YCbCr:422:10 12G 2-SI Rec.709");
        EXPECT_EQ(list->front()->getStandardAsReferenceString(), "2160p47.95");
        EXPECT_EQ(list->back()->getStandardAsShortText(),
                  "1280x720p60 YCbCr:422:10 1.5G HLG Rec.2020");
    }

    // Within a family the colour pairs follow each other, each with all its rates.
    const std::pair<C, T> pairs[] = {
        {C::Rec709, T::SdrTv}, {C::Rec2020, T::SdrTv}, {C::Rec2020, T::Pq}, {C::Rec2020, T::Hlg}};
    for (std::size_t i = 0; i < 40; ++i) {
        EXPECT_EQ(analyser[i]->getColourimetry(), pairs[i / 10].first) << i;
        EXPECT_EQ(analyser[i]->getTransferCurve(), pairs[i / 10].second) << i;
    }
    const R rates12g[] = {R::Rate48_1001, R::Rate48,      R::Rate50, R::Rate60_1001, R::Rate60,
                          R::Rate50,      R::Rate60_1001, R::Rate60, R::Rate48_1001, R::Rate48};
    for (std::size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(analyser[i]->getPictureRate(), rates12g[i]) << i;
        EXPECT_EQ(analyser[i]->getReconsutructedImageDimensionsInPixels().first,
                  i < 5 ? 4096u : 3840u);
    }
}

}  // namespace
}  // namespace Corvane::Sdi
