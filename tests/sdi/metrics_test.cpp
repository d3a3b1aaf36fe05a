#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "sdi/FieldMetrics.h"
#include "sdi/FrameMetrics.h"
#include "sdi/TqCircularBufferMetrics.h"
#include "sdi/VirtualInterfaceMetrics.h"

namespace Corvane {
namespace {

using Types::DigitalInterfaceSampleLocation;
using Types::SampleLocation;

template <typename T>
std::string text(const T& value) {
    std::ostringstream out;
    out << value;
    return out.str();
}

// 1080-line progressive at 50 on one 3G link, and the two fields of 1080i50,
// the second continuing the line count of the first.
const FieldMetrics progressive1080(FieldRegion(0, 0, 2640, 1125), FieldRegion(720, 41, 1920, 1080));
const FieldMetrics interlacedField1(FieldRegion(0, 0, 2640, 563), FieldRegion(720, 20, 1920, 540));
const FieldMetrics interlacedField2(FieldRegion(0, 563, 2640, 562),
                                    FieldRegion(720, 583, 1920, 540));

struct RegionCase {
    const char* name;
    FieldMetrics field;
    FieldRegion pre, horizontal, post;
    uint64_t firstActiveInStream;
};

TEST(FieldMetrics, BlankingRegionsFollowFromWholeAndActive) {
    const RegionCase cases[] = {
        {"progressive", progressive1080, FieldRegion(0, 0, 2640, 41), FieldRegion(0, 41, 720, 1080),
         FieldRegion(0, 1121, 2640, 4), 108960},
        {"first field", interlacedField1, FieldRegion(0, 0, 2640, 20), FieldRegion(0, 20, 720, 540),
         FieldRegion(0, 560, 2640, 3), 20 * 2640 + 720},
        {"second field", interlacedField2, FieldRegion(0, 563, 2640, 20),
         FieldRegion(0, 583, 720, 540), FieldRegion(0, 1123, 2640, 2), 20 * 2640 + 720},
    };
    for (const RegionCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.field.getPrePictureVerticalBlankingRegion(), c.pre);
        EXPECT_EQ(c.field.getHorizontalBlankingRegion(), c.horizontal);
        EXPECT_EQ(c.field.getPostPictureVerticalBlankingRegion(), c.post);
        EXPECT_EQ(c.field.getIndexOfFirstActivePictureSampleInStream(), c.firstActiveInStream);
        // The five regions tile the field exactly.
        EXPECT_EQ(c.pre.getTotalSampleCountInRegion() + c.horizontal.getTotalSampleCountInRegion() +
                      c.field.getNumberActivePictureSamples() +
                      c.post.getTotalSampleCountInRegion(),
                  c.field.getTotalNumberOfSamplesInField());
    }
}

TEST(FieldMetrics, ConvertsBetweenCoordinateSystems) {
    const FieldMetrics f = progressive1080;
    struct Case {
        DigitalInterfaceSampleLocation interface;
        SampleLocation stream;
    };
    const Case cases[] = {
        {{0, 42}, {720, 41}},         // first active sample
        {{1919, 42}, {2639, 41}},     // last active sample
        {{1920, 1}, {0, 0}},          // first EAV word
        {{2639, 1125}, {719, 1124}},  // last SAV word
    };
    for (const Case& c : cases) {
        EXPECT_EQ(f.getSampleLocationInThisField(c.interface), c.stream);
        EXPECT_EQ(f.getDigitalInterfaceSampleLocationInThisField(c.stream), c.interface);
    }
    // Every position of a line survives the round trip.
    for (uint32_t s = 0; s < f.getWidth(); ++s) {
        const SampleLocation stream{s, 7};
        ASSERT_EQ(
            f.getSampleLocationInThisField(f.getDigitalInterfaceSampleLocationInThisField(stream)),
            stream);
    }
}

TEST(FieldMetrics, ContainmentOfSamplesRegionsAndActivePicture) {
    const FieldMetrics f = interlacedField2;
    EXPECT_TRUE(f.isSampleInField(SampleLocation{0, 563}));
    EXPECT_TRUE(f.isSampleInField(SampleLocation{2639, 1124}));
    EXPECT_FALSE(f.isSampleInField(SampleLocation{0, 562}));
    EXPECT_FALSE(f.isSampleInField(SampleLocation{2640, 600}));
    EXPECT_TRUE(f.isSampleInField(DigitalInterfaceSampleLocation{0, 584}));
    EXPECT_FALSE(f.isSampleInField(DigitalInterfaceSampleLocation{0, 563}));
    EXPECT_TRUE(f.isRegionInField(FieldRegion(720, 583, 1920, 540)));
    EXPECT_FALSE(f.isRegionInField(FieldRegion(720, 583, 1921, 540)));
    EXPECT_FALSE(f.isRegionInField(FieldRegion(0, 562, 10, 2)));

    // The active picture of a later field can be shifted up one line...
    EXPECT_FALSE(f.isSampleInActivePicture(SampleLocation{720, 582}, false));
    EXPECT_TRUE(f.isSampleInActivePicture(SampleLocation{720, 582}, true));
    EXPECT_TRUE(f.isSampleInActivePicture(SampleLocation{720, 1122}, false));
    EXPECT_FALSE(f.isSampleInActivePicture(SampleLocation{720, 1122}, true));
    // ...but a field starting on interface line 1 never is.
    const FieldMetrics first = interlacedField1;
    EXPECT_FALSE(first.isSampleInActivePicture(SampleLocation{720, 19}, true));
    EXPECT_TRUE(first.isSampleInActivePicture(SampleLocation{720, 20}, true));
}

TEST(FieldMetrics, ClassifiesTimingReferenceWords) {
    const FieldMetrics f = progressive1080;  // horizontal blanking 720 wide
    enum Kind { Eav, Ln1, Ln2, Crc1, Crc2, Sav, Other };
    struct Case {
        uint32_t sample;
        bool multiplexed;
        Kind kind;
    };
    const Case cases[] = {
        {0, false, Eav},   {3, false, Eav},    {4, false, Ln1},     {5, false, Ln2},
        {6, false, Crc1},  {7, false, Crc2},   {8, false, Other},   {715, false, Other},
        {716, false, Sav}, {719, false, Sav},  {720, false, Other}, {0, true, Eav},
        {7, true, Eav},    {8, true, Ln1},     {9, true, Ln1},      {10, true, Ln2},
        {11, true, Ln2},   {12, true, Crc1},   {13, true, Crc1},    {14, true, Crc2},
        {15, true, Crc2},  {16, true, Other},  {711, true, Other},  {712, true, Sav},
        {719, true, Sav},  {720, true, Other},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "sample " << c.sample << " multiplexed " << c.multiplexed);
        const SampleLocation at{c.sample, 500};
        EXPECT_EQ(f.isSampleEav(at, c.multiplexed), c.kind == Eav);
        EXPECT_EQ(f.isSampleLineNumberWordOne(at, c.multiplexed), c.kind == Ln1);
        EXPECT_EQ(f.isSampleLineNumberWordTwo(at, c.multiplexed), c.kind == Ln2);
        EXPECT_EQ(f.isSampleLineNumberWord(at, c.multiplexed), c.kind == Ln1 || c.kind == Ln2);
        EXPECT_EQ(f.isSampleCrcWordOne(at, c.multiplexed), c.kind == Crc1);
        EXPECT_EQ(f.isSampleCrcWordTwo(at, c.multiplexed), c.kind == Crc2);
        EXPECT_EQ(f.isSampleCrcWord(at, c.multiplexed), c.kind == Crc1 || c.kind == Crc2);
        EXPECT_EQ(f.isSampleSav(at, c.multiplexed), c.kind == Sav);
    }
}

TEST(FrameMetrics, CombinesTheFieldsOfAnInterlacedFrameOrNone) {
    const FrameMetrics frame({interlacedField1, interlacedField2});
    EXPECT_EQ(frame.getFrameDimensions(), std::make_pair(2640u, 1125u));
    EXPECT_EQ(frame.getActivePictureDimensions(), std::make_pair(1920u, 1080u));
    EXPECT_EQ(frame.getDigitalInterfaceSampleNumberFirstSav(), 2636u);

    EXPECT_TRUE(frame.isSampleInFrame(SampleLocation{2639, 1124}));
    EXPECT_FALSE(frame.isSampleInFrame(SampleLocation{2640, 0}));
    EXPECT_FALSE(frame.isSampleInFrame(SampleLocation{0, 1125}));
    EXPECT_TRUE(frame.isSampleInActivePicture(SampleLocation{720, 20}));
    EXPECT_TRUE(frame.isSampleInActivePicture(SampleLocation{2639, 1122}));
    EXPECT_FALSE(frame.isSampleInActivePicture(SampleLocation{719, 600}));
    EXPECT_FALSE(frame.isSampleInActivePicture(SampleLocation{720, 570}));

    // Each interface line is converted by the field that holds it.
    EXPECT_EQ(frame.getSampleLocationInThisFrame({0, 21}), (SampleLocation{720, 20}));
    EXPECT_EQ(frame.getSampleLocationInThisFrame({0, 584}), (SampleLocation{720, 583}));
    EXPECT_TRUE(frame.isSampleInFrame(DigitalInterfaceSampleLocation{5, 1125}));
    EXPECT_FALSE(frame.isSampleInFrame(DigitalInterfaceSampleLocation{5, 1126}));
    EXPECT_EQ(frame.getSampleLocationInThisFrame({5, 1126}), (SampleLocation{0, 0}));

    EXPECT_TRUE(frame.isSampleSav(SampleLocation{716, 0}));
    EXPECT_FALSE(frame.isSampleSav(SampleLocation{715, 0}));
    EXPECT_FALSE(frame.isSampleSav(SampleLocation{720, 0}));
    EXPECT_TRUE(frame.isSampleCrcWord(SampleLocation{7, 0}));
    EXPECT_TRUE(frame.isSampleLineNumberWord(SampleLocation{4, 0}));
    EXPECT_TRUE(frame.isSampleEav(SampleLocation{3, 0}));

    const FrameMetrics empty(std::vector<FieldMetrics>{});
    EXPECT_EQ(empty.getFrameDimensions(), std::make_pair(0u, 0u));
    EXPECT_EQ(empty.getActivePictureDimensions(), std::make_pair(0u, 0u));
    EXPECT_FALSE(empty.isSampleInFrame(DigitalInterfaceSampleLocation{0, 1}));
}

// A field without lanes adds no height; an empty buffer has no size.
TEST(BufferMetrics, EmptyFieldsAndBuffersHaveNoSize) {
    const FieldMetrics half(FieldRegion(0, 0, 1920, 540), FieldRegion(0, 0, 1920, 540));
    std::vector<PartitionMetrics> partitions;
    partitions.emplace_back(std::vector<FieldMetrics>{half, half, half, half});
    partitions.emplace_back(std::vector<FieldMetrics>{});
    const TqCircularBufferMetrics withEmptyField(std::move(partitions));
    EXPECT_EQ(withEmptyField.getFieldCount(), 2u);
    EXPECT_EQ(withEmptyField.getSubImageCount(), 4u);
    EXPECT_EQ(withEmptyField.getFrameHeight(), 540u);

    const TqCircularBufferMetrics none(std::vector<PartitionMetrics>{});
    EXPECT_EQ(none.getSubImageCount(), 0u);
    EXPECT_EQ(none.getFrameWidth(), 0u);
    EXPECT_EQ(none.getSampleCountInWholeFrame(), 0u);
}

TEST(MetricsText, DumpsNestLineByLine) {
    const FieldRegion region(0, 0, 2640, 41);
    EXPECT_EQ(text(region), "Region[sampleIndex:0, lineIndex:0, samples:2640, lines:41]");

    const FieldMetrics f = progressive1080;
    const std::string field =
        "Field Metrics[Whole fieldRegion[sampleIndex:0, lineIndex:0, samples:2640, lines:1125]\n"
        "VBRegion[sampleIndex:0, lineIndex:0, samples:2640, lines:41]\n"
        "HBRegion[sampleIndex:0, lineIndex:41, samples:720, lines:1080]\n"
        "APRegion[sampleIndex:720, lineIndex:41, samples:1920, lines:1080]\n"
        "VBRegion[sampleIndex:0, lineIndex:1121, samples:2640, lines:4]]";
    EXPECT_EQ(text(f), field);

    const FrameMetrics frame({f});
    const std::string frameText = "Frame Dimensions[width:2640, height:1125]\n" + field + "\n";
    EXPECT_EQ(text(frame), frameText);
    EXPECT_EQ(text(VirtualInterfaceMetrics(2, frame)),
              "VirtualInterfaceMetrics[ 2 channelsPerLink:" + frameText + "\n]");

    const PartitionMetrics partition(std::vector<FieldMetrics>{f, f});
    const std::string partitionText = "PartitionMetrics:\n" + field + "\n" + field + "\n";
    EXPECT_EQ(text(partition), partitionText);
    EXPECT_EQ(text(TqCircularBufferMetrics(partition)),
              "TqCircularBufferMetrics:\n" + partitionText + "\n");
}

}  // namespace
}  // namespace Corvane
