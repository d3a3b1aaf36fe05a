// Arbitrary JSON to the readers of the status documents, the document class
// chosen by the first byte. What a reader took in must be written out and
// read back by a fresh document unchanged; an ancillary entry's key must
// have a title.

#include "FuzzSupport.h"
#include "status/AncillaryStatusJsonData.h"
#include "status/InputStatusJsonData.h"

#include <QJsonObject>

using namespace Corvane;

namespace {

template <class Document>
Document readBack(const QJsonObject& json) {
    Document document;
    document.fromValidQJsonObject(json);
    const QJsonObject written = document.toQJsonObject();
    Document again;
    again.fromValidQJsonObject(written);
    if (again.toQJsonObject() != written) {
        Fuzz::fail("a status document changes when read back from its own JSON");
    }
    return document;
}

void titles(const AncillaryStatusEntryArrayJsonData& entries) {
    for (const AncillaryStatusEntryJsonData& entry :
         entries.getAncillaryStatusEntryArrayAsConstList()) {
        const quint16 key = entry.getKey();
        AncillaryStatusArrayJsonData::getTitleAndToolTipByKey(key);
        AncillaryStatusArrayJsonData::getTitleAndToolTipForTopLevelItem(
            AncillaryStatusArrayJsonData::getAncStatusTopLevelItemforKey(key));
        for (int p = 0; p <= AncillaryStatusEntryJsonData::PropertiesCount; ++p) {
            entry.getDataForProperty(static_cast<AncillaryStatusEntryJsonData::Properties>(p));
        }
    }
}

}  // namespace

CORVANE_FUZZ_USAGE(
    "Reads arbitrary JSON as a status document (first byte: which one) and\n"
    "checks that the document reads back from its own JSON unchanged.")

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint8_t selector = 0;
    QJsonDocument document;
    if (!Fuzz::parseSelectorAndJson(data, size, selector, document)) {
        return 0;
    }
    const QJsonObject json = document.object();
    switch (selector % 7) {
        case 0:
            readBack<InputStatusJsonData>(json);
            break;
        case 1:
            readBack<LaneStatusJsonData>(json);
            break;
        case 2:
            titles(readBack<AncillaryStatusEntryArrayJsonData>(json));
            break;
        case 3:
            readBack<AncillaryStatusArrayJsonData>(json);
            break;
        case 4:
            readBack<VirtualInterfaceArrayJsonData>(json);
            break;
        case 5:
            readBack<AncillaryStatusOverviewArrayJsonData>(json);
            break;
        default:
            readBack<AncEventJsonData>(json);
            break;
    }
    return 0;
}
