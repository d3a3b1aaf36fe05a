#include "AncillaryTestDocuments.h"
#include "status/InputStatusJsonData.h"

#include <gtest/gtest.h>

using namespace Corvane;
using Lane = LaneStatusJsonData;

namespace {

bool isFlag(int property) {
    return property >= Lane::IsProgressiveFlag &&
           property <= Lane::Smpte352PacketLinkBchannelYpositionDetectedFlag;
}

// Every property set to a value of its own: texts "value <n>", flags alternating.
Lane distinctLane(int seed) {
    Lane lane;
    for (int p = 0; p < Lane::PropertiesCount; ++p) {
        const QVariant value = isFlag(p) ? QVariant((p + seed) % 2 == 0)
                                         : QVariant(QStringLiteral("value %1").arg(p + seed));
        EXPECT_TRUE(lane.setDataForProperty(static_cast<Lane::Properties>(p), value)) << p;
    }
    return lane;
}

}  // namespace

TEST(LaneStatus, FrameDataTexts) {
    struct Case {
        int th, tv1, tv2, ah, av1, av2;
        bool levelB, progressive;
        const char* texts;  // the six size properties, joined by '|'
    } cases[] = {
        {2200, 1125, 0, 1920, 1080, 0, false, true, "2200|1125|progressive|1920|1080|progressive"},
        {2200, 562, 563, 1920, 540, 540, true, false, "2200 (B mux)|562|563|1920 (B mux)|540|540"},
        {864, 312, 313, 720, 288, 288, false, false, "864|312|313|720|288|288"},
        {4400, 2250, 7, 3840, 2160, 7, true, true,
         "4400 (B mux)|2250|progressive|3840 (B mux)|2160|progressive"},
    };
    const Lane before = distinctLane(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.texts);
        Lane lane = distinctLane(1);
        lane.setFrameData(c.th, c.tv1, c.tv2, c.ah, c.av1, c.av2, c.levelB, c.progressive);
        QStringList texts;
        for (int i = 0; i < 6; ++i) {
            texts << lane.getDataForProperty(static_cast<Lane::Properties>(i)).toString();
        }
        EXPECT_EQ(texts.join('|').toStdString(), c.texts);
        EXPECT_EQ(lane.getDataForProperty(Lane::IsLevelBFlag).toBool(), c.levelB);
        EXPECT_EQ(lane.getDataForProperty(Lane::IsProgressiveFlag).toBool(), c.progressive);
        // Everything else stays as it was.
        for (int p = Lane::IsStableFlag; p < Lane::PropertiesCount; ++p) {
            const auto property = static_cast<Lane::Properties>(p);
            EXPECT_EQ(lane.getDataForProperty(property), before.getDataForProperty(property)) << p;
        }
    }
}

TEST(LaneStatus, JsonTypes) {
    const Lane lane = distinctLane(0);
    Testing::checkDocument(lane, "LaneStatusData");
    const QJsonObject json = lane.toQJsonObject();
    for (int p = 0; p < Lane::PropertiesCount; ++p) {
        const QJsonValue value = json.value(QLatin1String(Lane::propertyNames[p]));
        EXPECT_EQ(value.type(), isFlag(p) ? QJsonValue::Bool : QJsonValue::String) << p;
    }
}

TEST(InputStatus, LanesInOrder) {
    InputStatusJsonData input;
    input.getLaneStatusArray() << distinctLane(0) << distinctLane(5) << distinctLane(9);
    Testing::checkDocument(input, "InputStatusData");
    const QJsonObject json = input.toQJsonObject();
    const QJsonArray lanes = json.value("LaneStatusArray").toArray();
    ASSERT_EQ(lanes.size(), 3);
    EXPECT_EQ(lanes[1].toObject().value("TotalHorizontalPixels").toString(), "value 5");

    InputStatusJsonData back = input;
    back.fromValidQJsonObject(json);  // reading appends to what is there
    EXPECT_EQ(back.getLaneStatusArray().size(), 6);

    EXPECT_FALSE(input.getDataForProperty(InputStatusJsonData::LaneStatusArray).isValid());
    EXPECT_FALSE(input.setDataForProperty(InputStatusJsonData::LaneStatusArray, 1));
}
