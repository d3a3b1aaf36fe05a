#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Testbed.h"
#include "devices/BoardIdLines.h"
#include "devices/FlashRecord.h"
#include "devices/FpgaProcFile.h"
#include "devices/HdmiTransmitter.h"
#include "devices/HwmonSensors.h"
#include "devices/InterruptLine.h"
#include "devices/RegisterWindow.h"
#include "devices/Watchdog.h"

namespace Corvane::Sim {

// What the simulated controller board holds when it is built. Every
// optional left empty means "not fitted": the file is absent, so the
// software under test finds it unreadable.
struct BoardConfig {
    std::optional<int> mainId = 65;
    std::optional<int> mezzanineId = 5;
    std::optional<int> frontPanelId = 17;

    // The PCIe driver's proc file; empty = driver not loaded.
    using FpgaInfo = Sim::FpgaInfo;
    std::optional<FpgaInfo> fpga = FpgaInfo{};

    bool window = true;  // /dev/xdma0_user present
    std::vector<RegisterValue> registers;

    // The serial/MAC record at the start of /dev/mtd8; empty = no partition.
    using SerialMac = Sim::SerialMac;
    std::optional<SerialMac> serialMac = SerialMac{};
    // The image partition /dev/mtd9 (see imagePartition()), and whether
    // its blocks are locked down so that nothing erases or writes it.
    bool imageFlash = true;
    bool imageFlashLockedDown = false;

    bool watchdog = true;  // /dev/watchdog present
    bool led = true;       // the three PWM chips present

    // The monitoring chips' readings (hwmon); see HwmonSensors.
    SensorValues sensors = defaultSensorValues();

    // /dev/i2c-3 with the HDMI transmitter, and its interrupt line gpio63.
    bool hdmi = true;
};

// A testbed laid out like the controller board, one device per fitted part
// (see devices/). Only one board may exist per process.
class SimulatedBoard {
public:
    explicit SimulatedBoard(const BoardConfig& config = BoardConfig{});
    ~SimulatedBoard();
    SimulatedBoard(const SimulatedBoard&) = delete;
    SimulatedBoard& operator=(const SimulatedBoard&) = delete;

    // Leave the testbed directory behind on destruction (for inspection).
    void keep(bool keepIt) { testbed_->keep(keepIt); }

    const std::string& rootDir() const { return testbed_->rootDir(); }
    std::string pathOf(const std::string& devicePath) const { return testbed_->pathOf(devicePath); }
    // Where a file the program creates at path lands when path is the
    // board's own: at the top level (the /nostart marker) or under
    // /var/volatile (see boardRootOf).
    std::string rootPathOf(const std::string& path) const;

    // Register window file. Throws std::out_of_range for bases of 32 and
    // above and std::runtime_error when the window is not fitted.
    std::string windowPath() const { return pathOf(RegisterWindow::devicePath); }
    std::uint32_t readRegister(unsigned int base, unsigned int offset) const;
    void writeRegister(unsigned int base, unsigned int offset, std::uint32_t value);

    // Board identity lines: a value, or nothing to remove the lines. Throws
    // std::invalid_argument when the value does not fit the board's lines.
    void setBoardId(Board board, std::optional<int> id);
    void setProcText(const std::string& text);  // raw /proc/corv_pcie
    void removeProc();
    void setFlashBytes(const std::string& bytes);  // raw start of /dev/mtd8

    // The PWM attribute files of the LED: chip 0 green, 1 blue, 2 red.
    std::string pwmPath(int chip, const std::string& attribute) const;
    // Empties the attribute files between updates (see LedPwm::clear).
    void clearPwmFiles();

    // A health reading in °C, V or RPM, changeable while a program runs;
    // nothing removes its input file. sensorPath is the input file's path.
    // Throws std::invalid_argument when the reading's chip is not fitted.
    void setSensor(Reading reading, std::optional<double> value);
    std::string sensorPath(Reading reading) const {
        return pathOf(HwmonSensors::inputPath(reading));
    }

    // The HDMI transmitter on /dev/i2c-3; null when it is not fitted.
    HdmiTransmitter* hdmi() const { return hdmi_; }
    // Its interrupt line, gpio63; null when the transmitter is not fitted.
    const InterruptLine* hdmiLine() const { return hdmiLine_; }

    // What the watchdog has seen; all zero when it is not fitted.
    WatchdogState watchdog() const;
    bool waitForWatchdogClosed(std::chrono::milliseconds timeout) const;

    // Starts argv[0] (searched in PATH) under umockdev-wrapper inside this
    // testbed. stdout and stderr go to outputPath when given (appended).
    pid_t spawn(const std::vector<std::string>& argv, const std::string& outputPath = {}) const;
    // Runs argv like spawn to its end; its stdout and stderr together in
    // output. Returns the exit status, or -1 when it did not exit normally.
    int run(const std::vector<std::string>& argv, std::string& output) const;
    // Runs function in a child process that sees the board's root as "/"
    // (see runInBoardRoot); its result, or -1.
    int runInside(int (*function)()) const;

    static std::string readFile(const std::string& path) { return Sim::readFile(path); }
    static void writeFile(const std::string& path, const std::string& bytes) {
        Sim::writeFile(path, bytes);
    }

private:
    std::unique_ptr<Testbed> testbed_;
    const Watchdog* watchdog_ = nullptr;
    HdmiTransmitter* hdmi_ = nullptr;
    const InterruptLine* hdmiLine_ = nullptr;
};

}  // namespace Corvane::Sim
