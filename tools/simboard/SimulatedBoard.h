#pragma once

#include <sys/types.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Corvane::Sim {

// Size of the FPGA's user register window behind /dev/xdma0_user.
inline constexpr std::size_t windowBytes = 0x800000;

// Board identities as the board-id lines encode them: 0 main, 1 mezzanine,
// 2 front panel.
enum class Board : int { main = 0, mezzanine = 1, frontPanel = 2 };

// GPIO numbers of a board's identity lines, most significant first.
const std::vector<unsigned int>& boardLines(Board board);

struct RegisterValue {
    unsigned int base = 0;
    unsigned int offset = 0;
    std::uint32_t value = 0;
};

// What the simulated controller board holds when it is built. Every
// optional left empty means "not fitted": the file is absent, so the
// software under test finds it unreadable.
struct BoardConfig {
    std::optional<int> mainId = 65;
    std::optional<int> mezzanineId = 5;
    std::optional<int> frontPanelId = 17;

    // The PCIe driver's proc file; empty = driver not loaded.
    struct FpgaInfo {
        unsigned int major = 1, minor = 4, patch = 2, build = 311, designId = 7;
    };
    std::optional<FpgaInfo> fpga = FpgaInfo{};

    bool window = true;  // /dev/xdma0_user present
    std::vector<RegisterValue> registers;

    // The serial/MAC record at the start of /dev/mtd8; empty = no partition.
    struct SerialMac {
        std::array<std::uint8_t, 6> mac = {0x02, 0x00, 0x5e, 0xc0, 0xff, 0xee};
        unsigned int serial = 123456;
    };
    std::optional<SerialMac> serialMac = SerialMac{};

    bool watchdog = true;  // /dev/watchdog present
    bool led = true;       // the three PWM chips present
};

// What the emulated watchdog has seen. The driver semantics copied: one
// open at a time, the open arms it, a 'V' in the last write before the close
// disarms it; a close without it leaves it running.
struct WatchdogState {
    bool armed = false;
    bool open = false;
    int timeoutSeconds = 60;
    int opens = 0;
    int keepalives = 0;        // WDIOC_KEEPALIVE requests and pinging writes
    int magicCloses = 0;       // closes that disarmed it
    int unexpectedCloses = 0;  // closes that left it armed
    int busyRefusals = 0;      // requests refused on a second descriptor
};

// A umockdev testbed laid out like the controller board: programs started
// with the umockdev preload and this testbed's directory in UMOCKDEV_DIR see
// its files in place of /dev, /sys and /proc. Only one board may exist per
// process (umockdev keeps the testbed path in the environment).
class SimulatedBoard {
public:
    explicit SimulatedBoard(const BoardConfig& config = BoardConfig{});
    ~SimulatedBoard();
    SimulatedBoard(const SimulatedBoard&) = delete;
    SimulatedBoard& operator=(const SimulatedBoard&) = delete;

    // Leave the testbed directory behind on destruction (for inspection).
    void keep(bool keepIt) { keep_ = keepIt; }

    const std::string& rootDir() const { return root_; }
    // Absolute path of a testbed file given by its device path, e.g.
    // "/dev/xdma0_user" -> "<root>/dev/xdma0_user".
    std::string pathOf(const std::string& devicePath) const;

    // Register window file. Throws std::out_of_range for bases of 32 and
    // above and std::runtime_error when the window is not fitted.
    std::string windowPath() const { return pathOf("/dev/xdma0_user"); }
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
    // Empties the attribute files. Plain files keep the tail of a longer
    // earlier value when a shorter one is written over it, which sysfs
    // attributes do not, so callers clear them between updates.
    void clearPwmFiles();

    WatchdogState watchdog() const;
    // Waits until the watchdog's descriptor is closed (the close reaches the
    // handler asynchronously); false on timeout.
    bool waitForWatchdogClosed(std::chrono::milliseconds timeout) const;

    // Starts argv[0] (searched in PATH) under umockdev-wrapper inside this
    // testbed. stdout and stderr go to outputPath when given (appended).
    pid_t spawn(const std::vector<std::string>& argv, const std::string& outputPath = {}) const;

    static std::string readFile(const std::string& path);
    static void writeFile(const std::string& path, const std::string& bytes);

private:
    void build(const BoardConfig& config);

    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::string root_;
    bool keep_ = false;
};

// The register window's word index of (base, offset), or nothing when the
// register lies outside the 8 MiB window.
std::optional<std::size_t> windowIndex(unsigned int base, unsigned int offset);

// Re-executes the current program with the umockdev preload when it is not
// already loaded, so that a test process can build a testbed and call the
// board services directly. Returns only when the preload is in place.
void reexecUnderPreload(int argc, char** argv);

}  // namespace Corvane::Sim
