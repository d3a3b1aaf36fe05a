#include "platform/TqPlatformAbstraction.h"

#include <cstdio>
#include <string>

#include "platform/boardid.h"
#include "platform/leds.h"
#include "platform/serialmac.h"
#include "platform/watchthedog.h"

namespace Corvane {

TqPlatformAbstraction::TqPlatformAbstraction() : fpgaInfo_(fpgaInfoPath) {}

TqPlatformAbstraction::~TqPlatformAbstraction() = default;

int TqPlatformAbstraction::setLED(TqTypes::ledRGB colour, bool on) {
    const unsigned int c = static_cast<unsigned int>(colour);
    const unsigned char rgb[3] = {static_cast<unsigned char>(c & 0xFF),
                                  static_cast<unsigned char>((c >> 8) & 0xFF),
                                  static_cast<unsigned char>((c >> 16) & 0xFF)};
    return ::setLED(rgb, on);
}

int TqPlatformAbstraction::getBoardId(TqTypes::boardIdentity board) {
    const int b = static_cast<int>(board);
    return (b >= 0 && b <= 2) ? read_board_id(b) : -1;
}

bool TqPlatformAbstraction::hasBoard(TqTypes::boardIdentity board) {
    return getBoardId(board) >= 0;
}

bool TqPlatformAbstraction::getFPGABuildInfo(unsigned int& designId, unsigned int& major,
                                             unsigned int& minor, unsigned int& patch,
                                             unsigned int& build) {
    std::string versionLine;
    std::string designLine;
    std::getline(fpgaInfo_, versionLine);
    std::getline(fpgaInfo_, designLine);
    const bool versionOk = std::sscanf(versionLine.c_str(), "fpga_version: %u.%u.%u+%u", &major,
                                       &minor, &patch, &build) == 4;
    const bool designOk = std::sscanf(designLine.c_str(), "fpga_design_id: %u", &designId) == 1;
    return versionOk && designOk;
}

int TqPlatformAbstraction::startWatchdog(int timeoutSeconds) {
    return start_dog(timeoutSeconds);
}

int TqPlatformAbstraction::kickWatchdog() {
    return kick_dog();
}

int TqPlatformAbstraction::stopWatchdog() {
    return stop_dog();
}

unsigned int TqPlatformAbstraction::getSerialNumber() {
    unsigned int serial = 0;
    return getSerial(&serial) == 0 ? serial : 0xFFFFFFFFu;
}

}  // namespace Corvane
