#pragma once

#include <memory>
#include <string>
#include <vector>

#include "SimulatedDevice.h"

typedef struct _UMockdevTestbed UMockdevTestbed;

namespace Corvane::Sim {

class IoctlHandler;

// A umockdev testbed: programs started with the umockdev preload and this
// directory in UMOCKDEV_DIR see its files in place of /dev, /sys and /proc.
// It owns the devices installed in it, so that no handler outlives the
// testbed that forwards requests to it. Only one testbed may exist per
// process (umockdev keeps its path in the environment).
class Testbed {
public:
    Testbed();
    ~Testbed();
    Testbed(const Testbed&) = delete;
    Testbed& operator=(const Testbed&) = delete;

    // Leave the directory behind on destruction (for inspection).
    void keep(bool keepIt) { keep_ = keepIt; }

    const std::string& rootDir() const { return root_; }
    // Absolute path of a testbed file given by its device path, e.g.
    // "/dev/xdma0_user" -> "<root>/dev/xdma0_user".
    std::string pathOf(const std::string& devicePath) const { return root_ + devicePath; }

    // A file-tree device's files: put writes the file at devicePath,
    // creating its directories; remove takes a file or a whole directory.
    void put(const std::string& devicePath, const std::string& bytes) const;
    void remove(const std::string& devicePath) const;

    // Takes the device and puts it into the testbed.
    template <typename Device>
    Device& install(std::unique_ptr<Device> device) {
        Device& installed = *device;
        // Owned before it is installed: a device that fails halfway is still
        // detached and destroyed with the testbed.
        devices_.push_back(std::move(device));
        installed.install(*this);
        // cppcheck-suppress returnReference ; it refers to the device, owned by devices_
        return installed;
    }

    // Requests on the device node at devicePath are answered by handler
    // until the testbed is destroyed. Throws std::runtime_error, its text
    // led by what, when umockdev refuses.
    void attach(const std::string& devicePath, IoctlHandler& handler, const std::string& what);

private:
    UMockdevTestbed* testbed_ = nullptr;
    std::string root_;
    bool keep_ = false;
    std::vector<std::string> attached_;
    std::vector<std::unique_ptr<SimulatedDevice>> devices_;
};

// Whole-file access for the testbed's plain files; both throw
// std::runtime_error when the file cannot be read or written.
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);

// Throws std::runtime_error with what and the text of errno.
[[noreturn]] void throwErrno(const std::string& what);

}  // namespace Corvane::Sim
