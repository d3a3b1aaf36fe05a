#include "SimulatedBoard.h"

#include <sys/wait.h>

#include <cerrno>
#include <cstdio>

#include "Launch.h"
#include "devices/LedPwm.h"

namespace Corvane::Sim {

SimulatedBoard::SimulatedBoard(const BoardConfig& config) : testbed_(std::make_unique<Testbed>()) {
    // The board's layout: which device stands for which option, installed
    // in this order. A board that cannot be built leaves no testbed behind
    // (the testbed goes with its devices).
    Testbed& t = *testbed_;
    if (config.window) {
        t.install(std::make_unique<RegisterWindow>(config.registers));
    }
    if (config.fpga) {
        t.install(std::make_unique<FpgaProcFile>(*config.fpga));
    }
    t.install(
        std::make_unique<BoardIdLines>(config.mainId, config.mezzanineId, config.frontPanelId));
    if (config.serialMac) {
        t.install(std::make_unique<FlashRecord>(*config.serialMac));
    }
    if (config.imageFlash) {
        NorGeometry images = imagePartition();
        images.lockedDown = config.imageFlashLockedDown;
        t.install(std::make_unique<NorFlash>(images, ""));
    }
    if (config.led) {
        t.install(std::make_unique<LedPwm>());
    }
    t.install(std::make_unique<HwmonSensors>(config.sensors));
    if (config.hdmi) {
        InterruptLine& line = t.install(std::make_unique<InterruptLine>(63));
        hdmi_ = &t.install(std::make_unique<HdmiTransmitter>());
        hdmi_->onInterrupt([&line] { line.raise(); });
        hdmiLine_ = &line;
    }
    if (config.watchdog) {
        watchdog_ = &t.install(std::make_unique<Watchdog>());
    }
}

SimulatedBoard::~SimulatedBoard() = default;

std::uint32_t SimulatedBoard::readRegister(unsigned int base, unsigned int offset) const {
    return RegisterWindow::read(windowPath(), base, offset);
}

void SimulatedBoard::writeRegister(unsigned int base, unsigned int offset, std::uint32_t value) {
    RegisterWindow::write(windowPath(), base, offset, value);
}

void SimulatedBoard::setBoardId(Board board, std::optional<int> id) {
    BoardIdLines::set(*testbed_, board, id);
}

void SimulatedBoard::setProcText(const std::string& text) {
    FpgaProcFile::setText(*testbed_, text);
}

void SimulatedBoard::removeProc() {
    FpgaProcFile::remove(*testbed_);
}

void SimulatedBoard::setFlashBytes(const std::string& bytes) {
    FlashRecord::setBytes(*testbed_, bytes);
}

std::string SimulatedBoard::pwmPath(int chip, const std::string& attribute) const {
    return LedPwm::path(*testbed_, chip, attribute);
}

void SimulatedBoard::clearPwmFiles() {
    LedPwm::clear(*testbed_);
}

void SimulatedBoard::setSensor(Reading reading, std::optional<double> value) {
    HwmonSensors::set(*testbed_, reading, value);
}

WatchdogState SimulatedBoard::watchdog() const {
    return watchdog_ ? watchdog_->state() : WatchdogState{};
}

bool SimulatedBoard::waitForWatchdogClosed(std::chrono::milliseconds timeout) const {
    return watchdog_ == nullptr || watchdog_->waitUntilClosed(timeout);
}

std::string SimulatedBoard::rootPathOf(const std::string& path) const {
    return boardRootOf(rootDir()) + path;
}

int SimulatedBoard::runInside(int (*function)()) const {
    return runInBoardRoot(rootDir(), function);
}

pid_t SimulatedBoard::spawn(const std::vector<std::string>& argv,
                            const std::string& outputPath) const {
    return spawnInTestbed(rootDir(), argv, outputPath);
}

int SimulatedBoard::run(const std::vector<std::string>& argv, std::string& output) const {
    // Beside the testbed, not in it: the program could see it there.
    const std::string outputPath = rootDir() + ".output";
    const pid_t pid = spawn(argv, outputPath);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    output = readFile(outputPath);
    std::remove(outputPath.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace Corvane::Sim
