#include "InterruptLine.h"

#include <atomic>

#include "Testbed.h"

namespace Corvane::Sim {

class InterruptLine::Emulation {
public:
    explicit Emulation(int gpio) : gpio(gpio) {}
    const int gpio;
    const Testbed* testbed = nullptr;
    std::atomic<int> edges{0};
};

InterruptLine::InterruptLine(int gpio) : emulation_(std::make_unique<Emulation>(gpio)) {}

InterruptLine::~InterruptLine() = default;

std::string InterruptLine::devicePath() const {
    return "/sys/class/gpio/gpio" + std::to_string(emulation_->gpio) + "/value";
}

void InterruptLine::install(Testbed& testbed) {
    emulation_->testbed = &testbed;
    testbed.put(devicePath(), "0\n");
}

void InterruptLine::raise() {
    const int edges = ++emulation_->edges;
    emulation_->testbed->put(devicePath(), edges % 2 ? "1\n" : "0\n");
}

int InterruptLine::edges() const {
    return emulation_->edges;
}

}  // namespace Corvane::Sim
