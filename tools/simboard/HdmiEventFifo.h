#pragma once

#include <QString>
#include <string>
#include <thread>

#include "devices/HdmiTransmitter.h"

namespace Corvane::Sim {

// Reads words from a FIFO ("plug", "unplug", "sense", "nosense") and raises
// them as HDMI events, until it is destroyed. A FIFO that cannot be made or
// opened is a Tools::ToolError.
class HdmiEventFifo {
public:
    HdmiEventFifo(const QString& path, HdmiTransmitter& hdmi);
    ~HdmiEventFifo();
    HdmiEventFifo(const HdmiEventFifo&) = delete;
    HdmiEventFifo& operator=(const HdmiEventFifo&) = delete;

private:
    void serve(HdmiTransmitter& hdmi);

    std::string path_;
    int fifo_ = -1;
    int stop_[2] = {-1, -1};
    std::thread reader_;
};

}  // namespace Corvane::Sim
