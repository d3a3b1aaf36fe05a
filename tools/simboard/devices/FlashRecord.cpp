#include "FlashRecord.h"

#include <cstdio>

#include "Testbed.h"

namespace Corvane::Sim {

namespace {

std::string recordBytes(const SerialMac& record) {
    std::string bytes = "mac: ";
    bytes.append(reinterpret_cast<const char*>(record.mac.data()), record.mac.size());
    char serial[16];
    std::snprintf(serial, sizeof serial, "%06u", record.serial % 1000000);
    bytes += "\nserial: ";
    bytes += serial;
    return bytes;
}

}  // namespace

NorGeometry FlashRecord::geometry() {
    NorGeometry g;
    g.index = index;
    g.name = "serial";
    g.size = 64 * 1024;
    g.eraseSize = 64 * 1024;
    return g;
}

FlashRecord::FlashRecord(const SerialMac& record) : NorFlash(geometry(), recordBytes(record)) {}

void FlashRecord::setBytes(const Testbed& testbed, const std::string& bytes) {
    testbed.put(devicePath(index), image(bytes, geometry().size));
}

}  // namespace Corvane::Sim
