#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "SdiTestSupport.h"
#include "sdi/SupportedVideoStandards.h"

namespace Corvane::Sdi {
namespace {

using R = PayloadId::PictureRate;

class Catalogue : public testing::Test {
protected:
    static const SupportedVideoStandards& catalogue() {
        return SupportedVideoStandards::instance();
    }
    const SupportedVideoStandards::StandardPointers& analyser =
        catalogue().getSupportedAnalyserStandards();
    const SupportedVideoStandards::StandardPointers& generator =
        catalogue().getSupportedGeneratorStandards();
};

// Builds the standard again from nothing but its own getters.
std::unique_ptr<const StandardFromPayloadIdentifier> rebuild(
    const StandardFromPayloadIdentifier& s) {
    const PayloadIdentifierBase& first = *s.getPayloadIdentifiers().front();
    return Testing::standard(
        int(first.getWord() >> 24),
        {s.getPictureFormat(), s.getTransportFormat(), s.getPictureRate(), s.getSampleStructure(),
         s.getSubImageHorizontalPixelArraySize(), s.getBitDepth(), s.getColourimetry(),
         s.getAspectRatio(), s.getTransferCurve(), s.getLuminanceAndColourDifferenceSignal(),
         first.getAudioCopyStatus()},
        s.isQuadrantMode());
}

// What the analyser receives but the generator does not produce: the level B
// extended colour modes and the 1920 (3840) wide pictures at 47.95 and 48.
bool isAnalyserOnly(const StandardFromPayloadIdentifier& s) {
    const bool levelB = s.getLevel() == 1;
    const bool narrow48 = s.getSubImageHorizontalPixelArraySize() ==
                              PayloadId::HorizontalPixelArraySize::Pixels1920 &&
                          (s.getPictureRate() == R::Rate48_1001 || s.getPictureRate() == R::Rate48);
    return (levelB && s.isExtendedColourMode()) || narrow48;
}

TEST_F(Catalogue, FirstAndLastEntries) {
    for (const auto* list : {&analyser, &generator}) {
        const StandardFromPayloadIdentifier& first = *list->front();
        EXPECT_EQ(first.getStandardAsShortText(), "4096x2160p47.95 YCbCr:422:10 12G 2-SI Rec.709");
        EXPECT_EQ(first.getStandardAsReferenceString(), "2160p47.95");
        const StandardFromPayloadIdentifier& last = *list->back();
        EXPECT_EQ(last.getStandardAsShortText(), "1280x720p60 YCbCr:422:10 1.5G HLG Rec.2020");
    }
}

TEST_F(Catalogue, EveryEntryIsAValidDistinctStandard) {
    for (const auto* list : {&analyser, &generator}) {
        std::set<std::vector<uint32_t>> seen;
        for (const StandardFromPayloadIdentifier* s : *list) {
            ASSERT_NE(s, nullptr);
            EXPECT_TRUE(s->areAllPayloadIdentifiersValid());
            // The extended colour modes received on level B pass their own rules.
            for (const auto& id : s->getPayloadIdentifiers()) {
                EXPECT_FALSE(id->doSmpteValidationChecks().join(' ').contains("Extended colour"))
                    << s->getStandardAsShortText().toStdString();
            }
            EXPECT_EQ(s->getLuminanceAndColourDifferenceSignal(),
                      PayloadId::LuminanceAndColourDifferenceSignal::YCbCr);
            EXPECT_TRUE(seen.insert(s->getPayloadIdentifierWords()).second)
                << "repeated: " << s->getStandardAsShortText().toStdString();
            bool ok = false;
            s->getTransmissionMetrics(ok);
            // Only the level B extended colour modes lack a capture layout.
            EXPECT_EQ(ok, !(s->getLevel() == 1 && s->isExtendedColourMode()))
                << s->getStandardAsShortText().toStdString();
        }
    }
}

TEST_F(Catalogue, AnalyserListIsTheGeneratorListPlusReceiveOnlyStandards) {
    std::size_t g = 0;
    std::size_t extras = 0;
    for (const StandardFromPayloadIdentifier* s : analyser) {
        if (g < generator.size() && *generator[g] == *s) {
            EXPECT_FALSE(isAnalyserOnly(*s)) << s->getStandardAsShortText().toStdString();
            ++g;
        } else {
            EXPECT_TRUE(isAnalyserOnly(*s)) << s->getStandardAsShortText().toStdString();
            ++extras;
        }
    }
    EXPECT_EQ(g, generator.size());
    EXPECT_EQ(extras, 214u);
}

struct FamilyRun {
    uint32_t byte1;
    bool quadrants;
    std::size_t count;
    bool operator==(const FamilyRun& o) const {
        return byte1 == o.byte1 && quadrants == o.quadrants && count == o.count;
    }
};

std::vector<FamilyRun> familyRuns(const SupportedVideoStandards::StandardPointers& list) {
    std::vector<FamilyRun> runs;
    for (const StandardFromPayloadIdentifier* s : list) {
        const FamilyRun here{s->getPayloadIdentifierWords()[0] >> 24, s->isQuadrantMode(), 1};
        if (!runs.empty() && runs.back().byte1 == here.byte1 &&
            runs.back().quadrants == here.quadrants) {
            ++runs.back().count;
        } else {
            runs.push_back(here);
        }
    }
    return runs;
}

TEST_F(Catalogue, FamiliesComeInPresentationOrder) {
    // The runs cover both lists whole (768 and 982 standards).
    // 2160-line families: 8 standards per colour pair (10 for the analyser), four pairs.
    const std::vector<FamilyRun> generatorRuns = {
        {0xCE, false, 32},       {0xC2, false, 32}, {0xC0, false, 40}, {0x98, false, 32},
        {0x97, false, 32},       {0x8A, true, 32},  {0x89, true, 32},  {0x8A, false, 32},
        {0x89, false, 32 + 322}, {0x88, false, 40}, {0x85, false, 92}, {0x84, false, 18}};
    const std::vector<FamilyRun> analyserRuns = {
        {0xCE, false, 40},       {0xC2, false, 40}, {0xC0, false, 40}, {0x98, false, 40},
        {0x97, false, 40},       {0x8A, true, 40},  {0x89, true, 40},  {0x8A, false, 40 + 150},
        {0x89, false, 40 + 322}, {0x88, false, 40}, {0x85, false, 92}, {0x84, false, 18}};
    EXPECT_TRUE(familyRuns(generator) == generatorRuns);
    EXPECT_TRUE(familyRuns(analyser) == analyserRuns);

    // Within a family the colour pairs follow each other, each with all its rates.
    using C = PayloadId::Colourimetry;
    using T = PayloadId::TransferCurve;
    const std::pair<C, T> pairs[] = {
        {C::Rec709, T::SdrTv}, {C::Rec2020, T::SdrTv}, {C::Rec2020, T::Pq}, {C::Rec2020, T::Hlg}};
    for (std::size_t i = 0; i < 40; ++i) {
        const StandardFromPayloadIdentifier& s = *analyser[i];
        EXPECT_EQ(s.getColourimetry(), pairs[i / 10].first) << i;
        EXPECT_EQ(s.getTransferCurve(), pairs[i / 10].second) << i;
    }
    const R rates12g[] = {R::Rate48_1001, R::Rate48,      R::Rate50, R::Rate60_1001, R::Rate60,
                          R::Rate50,      R::Rate60_1001, R::Rate60, R::Rate48_1001, R::Rate48};
    for (std::size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(analyser[i]->getPictureRate(), rates12g[i]) << i;
        EXPECT_EQ(analyser[i]->getReconsutructedImageDimensionsInPixels().first,
                  i < 5 ? 4096u : 3840u);
    }
}

TEST_F(Catalogue, BuilderWordsRoundTripThroughTheGetters) {
    for (const StandardFromPayloadIdentifier* s : analyser) {
        const auto again = rebuild(*s);
        ASSERT_NE(again, nullptr);
        EXPECT_EQ(*again, *s) << s->getStandardAsShortText().toStdString();
    }
}

}  // namespace
}  // namespace Corvane::Sdi
