#include "LedPwm.h"

#include <filesystem>

#include "Testbed.h"

namespace fs = std::filesystem;

namespace Corvane::Sim {

namespace {
constexpr int chips = 3;
}

void LedPwm::install(Testbed& testbed) {
    for (int chip = 0; chip < chips; ++chip) {
        fs::create_directories(fs::path(path(testbed, chip, "pwm0/enable")).parent_path());
        writeFile(path(testbed, chip, "export"), "");
    }
    clear(testbed);
}

std::string LedPwm::path(const Testbed& testbed, int chip, const std::string& attribute) {
    return testbed.pathOf("/sys/class/pwm/pwmchip" + std::to_string(chip) + "/" + attribute);
}

void LedPwm::clear(const Testbed& testbed) {
    for (int chip = 0; chip < chips; ++chip) {
        for (const char* attribute : {"pwm0/period", "pwm0/duty_cycle", "pwm0/enable"}) {
            writeFile(path(testbed, chip, attribute), "");
        }
    }
}

}  // namespace Corvane::Sim
