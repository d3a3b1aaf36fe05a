#include "Testbed.h"

#include <umockdev.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "IoctlHandler.h"
#include "Launch.h"

namespace fs = std::filesystem;

namespace Corvane::Sim {

Testbed::Testbed() : testbed_(umockdev_testbed_new()) {
    gchar* root = umockdev_testbed_get_root_dir(testbed_);
    root_ = root;
    g_free(root);
    try {
        fs::create_directories(root_ + "/dev");
        fs::create_directories(root_ + "/proc");
    } catch (...) {
        g_object_unref(testbed_);
        throw;
    }
}

Testbed::~Testbed() {
    // No more requests reach the handlers once they are detached; only then
    // may the devices that own them go.
    for (const std::string& devicePath : attached_) {
        umockdev_testbed_detach_ioctl(testbed_, devicePath.c_str(), nullptr);
    }
    devices_.clear();
    if (keep_) {
        // The testbed removes its directory when it is finalised; a kept
        // testbed is deliberately not finalised.
        return;
    }
    // Removed here, not by umockdev: the board's root holds links to host
    // paths (/var/run -> /run), which this removal never follows.
    std::error_code ignored;
    fs::remove_all(boardRootOf(root_), ignored);
    g_object_unref(testbed_);
}

void Testbed::put(const std::string& devicePath, const std::string& bytes) const {
    const fs::path path = pathOf(devicePath);
    fs::create_directories(path.parent_path());
    writeFile(path, bytes);
}

void Testbed::remove(const std::string& devicePath) const {
    fs::remove_all(pathOf(devicePath));
}

void Testbed::attach(const std::string& devicePath, IoctlHandler& handler,
                     const std::string& what) {
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed_, devicePath.c_str(), handler.base(), &error)) {
        const std::string message = error ? error->message : "unknown error";
        g_clear_error(&error);
        throw std::runtime_error(what + ": " + message);
    }
    attached_.push_back(devicePath);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

void throwErrno(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

}  // namespace Corvane::Sim
