#pragma once

#include <QString>
#include <QtGlobal>

#include <array>

namespace Corvane {

// One ancillary packet type registered under SMPTE ST 291.
struct Smpte291TableEntry {
    int packetType;  // 1 or 2
    quint8 did;
    quint8 sdid;  // 0 for type 1
    QString status;
    QString standard;
    QString description;
};

// Every packet type the module knows, ordered by DID and SDID.
extern const std::array<Smpte291TableEntry, 77> smpte291Table;

// The row for a DID and SDID (the SDID is ignored for type 1 DIDs, 80h and
// above), or nullptr.
const Smpte291TableEntry* findSmpte291Entry(int did, int sdid);

}  // namespace Corvane
