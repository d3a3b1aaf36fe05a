#include "status/AncillaryStatusJsonData.h"

#include <array>
#include <initializer_list>

namespace Corvane {

namespace {

struct Group {
    const char* title;
    const char* toolTip;
    std::initializer_list<quint16> keys;
};

// Indexed by AncStatusTopLevelItem.
const std::array<Group, NoTopLevelItem> groups{{
    {"S353 MPEG Recoding", "MPEG-2 Recoding Information", {0x0808, 0x0C08}},
    {"S305 SDTI", "SDTI transport in active frame space", {0x0140}},
    {"S348 HD-SDTI", "HD-SDTI transport in active frame space", {0x0240}},
    {"S427 Link Encryption",
     "Link Encryption for 1.5 Gb/s Serial Digital Interface",
     {0x0440, 0x0540, 0x0640}},
    {"S352 Payload ID", "Payload Identification, HANC space", {0x0141}},
    {"S2016-3 AFD", "AFD and Bar Data", {0x0541}},
    {"S2016-4 PAN", "Pan-Scan Data", {0x0641}},
    {"S2010 ANSI/SCTE", "ANSI/SCTE 104 messages", {0x0741}},
    {"S2031 DVB/SCTE", "DVB/SCTE VBI data", {0x0841}},
    {"S2056 MPEG TS", "MPEG TS packets in VANC", {0x0941}},
    {"S2068 3D Packing", "Stereoscopic 3D Frame Compatible Packing and Signaling", {0x0A41}},
    {"S2064 Lip Sync", "Lip Sync data as specified by ST 2064-1", {0x0B41}},
    {"ITU-R BT.1685",
     "Structure of inter-station control data conveyed by ancillary data packets",
     {0x0143}},
    {"OP47 Caption", "OP47/RDD8 Subtitling Distribution packet (SDP)", {0x0243}},
    {"OP47 VBI/WST", "OP47/RDD8 Transport of VBI and/or WST data in a VANC Multipacket", {0x0343}},
    {"ARIB-TR-B29",
     "Metadata to monitor errors of audio and video signals on a broadcasting chain",
     {0x0443}},
    {"RDD18 Metadata", "Acquisition Metadata Sets for Video Camera Parameters", {0x0543}},
    {"RP214 KLV Metadata", "KLV Encoded Metadata Transport", {0x0444, 0x1444}},
    {"RP223 UMID/ID",
     "Packing UMID and Program Identification Label Data into SMPTE 291M Ancillary Data "
     "Packets",
     {0x4444}},
    {"S2020 Audio",
     "Compressed Audio Metadata",
     {0x0145, 0x0245, 0x0345, 0x0445, 0x0545, 0x0645, 0x0745, 0x0845, 0x0945}},
    {"S2051 Two Frame", "Two Frame Marker in HANC", {0x0146}},
    {"RDD8 WSS", "Wide Screen Signalling data", {0x0150}},
    {"RP215 Film Codes", "Film Codes in VANC space", {0x0151}},
    {"S12M-2 V-TCode", "Ancillary Time Code", {0x6060}},
    {"EIA-708 Caption", "S334-1 EIA 708B Data mapping into VANC space", {0x0161}},
    {"EIA-608 Caption", "S334-1 EIA 608 Data mapping into VANC space", {0x0261}},
    {"RP207 Program", "Program Description in VANC space", {0x0162}},
    {"S334-1 Data", "Data broadcast (DTV) in VANC space", {0x0262}},
    {"RP208 VBI Data", "VBI Data in VANC space", {0x0362}},
    {"Mark Deleted", "S291 - Packet marked for deletion", {0x0080}},
    {"S299-2 3G Audio",
     "Audio data in HANC space (3G)",
     {0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7}},
    {"S299-1 HD Audio",
     "Audio data in HANC space (HDTV)",
     {0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7}},
    {"S272 SD Audio",
     "Audio Data in HANC space (SDTV)",
     {0x00EC, 0x00ED, 0x00EE, 0x00EF, 0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE,
      0x00FF}},
    {"S315 Camera Pos", "Camera position (HANC or VANC space)", {0x00F0}},
    {"RP165 EDH", "Error Detection and Handling (HANC space)", {0x00F4}},
}};

struct KeyTitle {
    quint16 key;
    const char* title;
    const char* toolTip;
};

// Keys with a text of their own; every other grouped key shows its group's.
constexpr KeyTitle keyTitles[] = {
    {0x00A0, "Control Group 8", "Audio data in HANC space (3G) - Group 8 Control pkt"},
    {0x00A1, "Control Group 7", "Audio data in HANC space (3G) - Group 7 Control pkt"},
    {0x00A2, "Control Group 6", "Audio data in HANC space (3G) - Group 6 Control pkt"},
    {0x00A3, "Control Group 5", "Audio data in HANC space (3G) - Group 5 Control pkt"},
    {0x00A4, "Audio Group 8", "Audio data in HANC space (3G) - Group 8"},
    {0x00A5, "Audio Group 7", "Audio data in HANC space (3G) - Group 7"},
    {0x00A6, "Audio Group 6", "Audio data in HANC space (3G) - Group 6"},
    {0x00A7, "Audio Group 5", "Audio data in HANC space (3G) - Group 5"},
    {0x00E0, "Control Group 4", "Audio data in HANC space (HDTV) - Group 4 Control pkt"},
    {0x00E1, "Control Group 3", "Audio data in HANC space (HDTV) - Group 3 Control pkt"},
    {0x00E2, "Control Group 2", "Audio data in HANC space (HDTV) - Group 2 Control pkt"},
    {0x00E3, "Control Group 1", "Audio data in HANC space (HDTV) - Group 1 Control pkt"},
    {0x00E4, "Audio Group 4", "Audio data in HANC space (HDTV) - Group 4"},
    {0x00E5, "Audio Group 3", "Audio data in HANC space (HDTV) - Group 3"},
    {0x00E6, "Audio Group 2", "Audio data in HANC space (HDTV) - Group 2"},
    {0x00E7, "Audio Group 1", "Audio data in HANC space (HDTV) - Group 1"},
    {0x00EC, "Control Group 4", "Audio Data in HANC space (SDTV) - Group 4 Control pkt"},
    {0x00ED, "Control Group 3", "Audio Data in HANC space (SDTV) - Group 3 Control pkt"},
    {0x00EE, "Control Group 2", "Audio Data in HANC space (SDTV) - Group 2 Control pkt"},
    {0x00EF, "Control Group 1", "Audio Data in HANC space (SDTV) - Group 1 Control pkt"},
    {0x00F8, "Group 4 Ext", "Audio Data in HANC space (SDTV) - Group 4 AES Auxiliary Data"},
    {0x00F9, "Audio Group 4", "Audio Data in HANC space (SDTV) - Group 4"},
    {0x00FA, "Group 3 Ext", "Audio Data in HANC space (SDTV) - Group 3 AES Auxiliary Data"},
    {0x00FB, "Audio Group 3", "Audio Data in HANC space (SDTV) - Group 3"},
    {0x00FC, "Group 2 Ext", "Audio Data in HANC space (SDTV) - Group 2 AES Auxiliary Data"},
    {0x00FD, "Audio Group 2", "Audio Data in HANC space (SDTV) - Group 2"},
    {0x00FE, "Group 1 Ext", "Audio Data in HANC space (SDTV) - Group 1 AES Auxiliary Data"},
    {0x00FF, "Audio Group 1", "Audio Data in HANC space (SDTV) - Group 1"},
    {0x0145, "No Pair Associated", "Compressed Audio Metadata - No Association"},
    {0x0245, "Channel Pair 1/2", "Compressed Audio Metadata - Channel Pair 1/2"},
    {0x0345, "Channel Pair 3/4", "Compressed Audio Metadata - Channel Pair 3/4"},
    {0x0440, "Message 1", "Link Encryption Message 1"},
    {0x0444, "VANC Space", "KLV Metadata transport in VANC space"},
    {0x0445, "Channel Pair 5/6", "Compressed Audio Metadata - Channel Pair 5/6"},
    {0x0540, "Message 2", "Link Encryption Message 2"},
    {0x0545, "Channel Pair 7/8", "Compressed Audio Metadata - Channel Pair 7/8"},
    {0x0640, "Metadata", "Link Encryption Metadata"},
    {0x0645, "Channel Pair 9/10", "Compressed Audio Metadata - Channel Pair 9/10"},
    {0x0745, "Channel Pair 11/12", "Compressed Audio Metadata - Channel Pair 11/12"},
    {0x0808, "VANC Space", "MPEG-2 recoding data, VANC space"},
    {0x0845, "Channel Pair 13/14", "Compressed Audio Metadata - Channel Pair 13/14"},
    {0x0945, "Channel Pair 15/16", "Compressed Audio Metadata - Channel Pair 15/16"},
    {0x0C08, "HANC Space", "MPEG-2 recoding data, HANC space"},
    {0x1444, "HANC Space", "KLV Metadata transport in HANC space"},
};

QString hexByte(int value) {
    return QString::number(value, 16).toUpper() + QLatin1Char('h');
}

}  // namespace

AncStatusTopLevelItem AncillaryStatusArrayJsonData::getAncStatusTopLevelItemforKey(quint16 key) {
    for (size_t i = 0; i < groups.size(); ++i) {
        for (quint16 groupKey : groups[i].keys) {
            if (groupKey == key) {
                return static_cast<AncStatusTopLevelItem>(i);
            }
        }
    }
    return NoTopLevelItem;
}

QPair<QString, QString> AncillaryStatusArrayJsonData::getTitleAndToolTipForTopLevelItem(
    AncStatusTopLevelItem item) {
    if (item < 0 || item >= NoTopLevelItem) {
        return {QStringLiteral("ERROR"), QStringLiteral("ERROR")};
    }
    const Group& group = groups[static_cast<size_t>(item)];
    return {QString::fromLatin1(group.title), QString::fromLatin1(group.toolTip)};
}

QPair<QString, QString> AncillaryStatusArrayJsonData::getTitleAndToolTipByKey(quint16 key) {
    for (const KeyTitle& entry : keyTitles) {
        if (entry.key == key) {
            return {QString::fromLatin1(entry.title), QString::fromLatin1(entry.toolTip)};
        }
    }
    const AncStatusTopLevelItem group = getAncStatusTopLevelItemforKey(key);
    if (group != NoTopLevelItem) {
        return getTitleAndToolTipForTopLevelItem(group);
    }
    const int did = key & 0xFF;
    const int sdid = key >> 8;
    QString title = QStringLiteral("DID:") + hexByte(did);
    if (sdid != 0) {
        title += QStringLiteral(" SDID:") + hexByte(sdid);
    }
    return {title, QStringLiteral("Unknown")};
}

}  // namespace Corvane
