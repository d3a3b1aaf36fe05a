#include "status/AncillaryStatusJsonData.h"
#include "status/Smpte291Table.h"

#include <gtest/gtest.h>

using namespace Corvane;
using Titles = AncillaryStatusArrayJsonData;
using P = QPair<QString, QString>;

TEST(AncillaryTitles, EveryKeyHasAGroupOrAHexadecimalName) {
    int grouped = 0;
    int ownTitles = 0;
    for (int k = 0; k <= 0xFFFF; ++k) {
        const auto key = static_cast<quint16>(k);
        const AncStatusTopLevelItem group = Titles::getAncStatusTopLevelItemforKey(key);
        const P byKey = Titles::getTitleAndToolTipByKey(key);
        if (group == NoTopLevelItem) {
            QString title = "DID:" + QString::number(k & 0xFF, 16).toUpper() + "h";
            if (k >> 8) {
                title += " SDID:" + QString::number(k >> 8, 16).toUpper() + "h";
            }
            ASSERT_EQ(byKey, P(title, "Unknown")) << std::hex << k;
            continue;
        }
        ASSERT_GE(group, 0);
        ++grouped;
        if (byKey != Titles::getTitleAndToolTipForTopLevelItem(group)) {
            ++ownTitles;
            EXPECT_NE(byKey.second, "Unknown");
        }
    }
    EXPECT_EQ(grouped, 72);
    EXPECT_EQ(ownTitles, 44);

    // Keys past the first of their group, and the last group.
    const std::pair<quint16, int> groups[] = {
        {0x0C08, 0}, {0x1444, 17}, {0x0945, 19}, {0x00FF, 32}, {0x00F4, 34}};
    for (const auto& [key, group] : groups) {
        EXPECT_EQ(Titles::getAncStatusTopLevelItemforKey(key), group) << std::hex << key;
    }
}

// Group titles and unknown keys are seen in the status tree tests.
TEST(AncillaryTitles, Texts) {
    EXPECT_EQ(Titles::getTitleAndToolTipByKey(0x00E7),
              P("Audio Group 1", "Audio data in HANC space (HDTV) - Group 1"));
    for (int outside : {-1, 35, 36}) {
        EXPECT_EQ(
            Titles::getTitleAndToolTipForTopLevelItem(static_cast<AncStatusTopLevelItem>(outside)),
            P("ERROR", "ERROR"));
    }
}

TEST(Smpte291Registry, RowsAreConsistent) {
    int previous = -1;
    for (const Smpte291TableEntry& row : smpte291Table) {
        SCOPED_TRACE(row.description.toStdString());
        // Type 1 DIDs are 80h and above and carry no SDID.
        EXPECT_EQ(row.packetType, row.did >= 0x80 ? 1 : 2);
        EXPECT_TRUE(row.packetType == 2 || row.sdid == 0);
        const int id = row.did << 8 | row.sdid;
        EXPECT_GT(id, previous) << "rows unique and ordered by DID, then SDID";
        previous = id;
    }
    // A type 1 packet is found whatever its SDID.
    const Smpte291TableEntry* audio = findSmpte291Entry(0xE7, 0x05);
    ASSERT_NE(audio, nullptr);
    EXPECT_EQ(audio->did << 8 | audio->sdid, 0xE700);
    EXPECT_EQ(findSmpte291Entry(0x41, 0x01)->standard, "S352");
    EXPECT_EQ(findSmpte291Entry(0x41, 0x0C), nullptr);
}
