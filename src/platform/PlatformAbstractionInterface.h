#pragma once

#include "platform/TqTypes.h"

namespace Corvane {

// What application code needs of the controller board.
class PlatformAbstractionInterface {
public:
    virtual ~PlatformAbstractionInterface() = default;
    virtual int setLED(TqTypes::ledRGB colour, bool on) = 0;
    virtual bool hasBoard(TqTypes::boardIdentity board) = 0;
    virtual int getBoardId(TqTypes::boardIdentity board) = 0;
    virtual bool getFPGABuildInfo(unsigned int& designId, unsigned int& major, unsigned int& minor,
                                  unsigned int& patch, unsigned int& build) = 0;
    virtual int startWatchdog(int timeoutSeconds) = 0;
    virtual int kickWatchdog() = 0;
    virtual int stopWatchdog() = 0;
    virtual unsigned int getSerialNumber() = 0;
};

}  // namespace Corvane
