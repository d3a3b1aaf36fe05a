#include "FlashRecord.h"

#include <algorithm>
#include <cstdio>

#include "Testbed.h"

namespace Corvane::Sim {

void FlashRecord::install(Testbed& testbed) {
    std::string bytes = "mac: ";
    bytes.append(reinterpret_cast<const char*>(record_.mac.data()), record_.mac.size());
    char serial[16];
    std::snprintf(serial, sizeof serial, "%06u", record_.serial % 1000000);
    bytes += "\nserial: ";
    bytes += serial;
    setBytes(testbed, bytes);
}

void FlashRecord::setBytes(const Testbed& testbed, const std::string& bytes) {
    // An erased NOR partition reads as 0xFF beyond the record.
    std::string image(64 * 1024, '\xff');
    image.replace(0, std::min(bytes.size(), image.size()), bytes.substr(0, image.size()));
    testbed.put(devicePath, image);
}

}  // namespace Corvane::Sim
