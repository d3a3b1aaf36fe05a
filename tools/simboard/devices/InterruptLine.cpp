#include "InterruptLine.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <stdexcept>

#include "Testbed.h"

#ifdef CORVANE_SIM_FUSE
#define FUSE_USE_VERSION 31
#include <fuse.h>
#include <fuse_lowlevel.h>
#include <poll.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>
#endif

namespace fs = std::filesystem;

namespace Corvane::Sim {

namespace {

// Where the line's directory really lives; /sys/class/gpio/gpioN links to it.
std::string lineDirectory(int gpio) {
    return "/sys/devices/platform/soc/20a0000.gpio/gpiochip32/gpio/gpio" + std::to_string(gpio);
}

}  // namespace

#ifdef CORVANE_SIM_FUSE

// umockdev does not forward poll(), so the line's directory is a small FUSE
// file system with sysfs' edge semantics (kernfs): a freshly opened value
// file has an event pending, a read takes note of the edges so far, and poll
// reports POLLPRI|POLLERR until the file has been read and after every edge
// since.
class InterruptLine::Emulation {
public:
    static constexpr const char* mountPrefix = "/tmp/corvane-gpio.";

    explicit Emulation(int gpio) : gpio(gpio) {}
    ~Emulation() { stop(); }

    const int gpio;
    std::atomic<int> edges{0};
    bool mounted() const { return fuse_ != nullptr; }

    // Mounts the line's directory at a new directory under /tmp and returns
    // its path; empty when FUSE cannot be used here (no /dev/fuse, not root).
    // Outside the testbed, so that whoever removes a testbed's tree never
    // meets the mount (it is linked in).
    std::string start() {
        removeDeadMounts();
        std::string directory = std::string(mountPrefix) + "XXXXXX";
        if (::mkdtemp(directory.data()) == nullptr) {
            return {};
        }
        if (!mount(directory)) {
            ::rmdir(directory.c_str());
            return {};
        }
        mountpoint_ = directory;
        return mountpoint_;
    }

    void stop() {
        if (fuse_ == nullptr) {
            return;
        }
        fuse_exit(fuse_);
        loop_.join();  // within one poll interval: see serve()
        fuse_unmount(fuse_);
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& [fh, file] : files_) {
            if (file.waiting != nullptr) {
                fuse_pollhandle_destroy(file.waiting);
            }
        }
        files_.clear();
        fuse_destroy(fuse_);
        fuse_ = nullptr;
        ::rmdir(mountpoint_.c_str());
    }

    int pollers() {
        std::lock_guard<std::mutex> lock(mutex_);
        int count = 0;
        for (const auto& [fh, file] : files_) {
            count += file.waiting != nullptr;
        }
        return count;
    }

    void raise() {
        std::lock_guard<std::mutex> lock(mutex_);
        ++edges;
        for (auto& [fh, file] : files_) {
            if (file.waiting != nullptr) {
                fuse_notify_poll(file.waiting);
                fuse_pollhandle_destroy(file.waiting);
                file.waiting = nullptr;
            }
        }
    }

private:
    // A process that dies with its line mounted (a crash, a death test's
    // child) leaves a mount whose server is gone: the next line clears
    // them away. Live ones of other boards answer stat() and stay.
    static void removeDeadMounts() {
        std::ifstream mounts("/proc/mounts");
        for (std::string device, point, type, rest; mounts >> device >> point >> type;) {
            std::getline(mounts, rest);
            struct stat st {};
            if (type == "fuse" && point.rfind(mountPrefix, 0) == 0 &&
                ::stat(point.c_str(), &st) != 0 && errno == ENOTCONN) {
                ::umount2(point.c_str(), MNT_DETACH);
                ::rmdir(point.c_str());
            }
        }
    }

    bool mount(const std::string& mountpoint) {
        fuse_operations ops{};
        ops.init = init;
        ops.getattr = getattr;
        ops.readdir = readdir;
        ops.open = open;
        ops.read = read;
        ops.release = release;
        ops.poll = poll;
        char name[] = "corvane-simboard";
        char* argv[] = {name, nullptr};
        fuse_args args = FUSE_ARGS_INIT(1, argv);
        fuse_ = fuse_new(&args, &ops, sizeof ops, this);
        fuse_opt_free_args(&args);  // fuse_new may have added copies of its own
        if (fuse_ == nullptr) {
            return false;
        }
        if (fuse_mount(fuse_, mountpoint.c_str()) != 0) {
            fuse_destroy(fuse_);
            fuse_ = nullptr;
            return false;
        }
        loop_ = std::thread([this] { serve(); });
        return true;
    }

    // fuse_loop, but ending within 100 ms of fuse_exit. A board program runs
    // in a mount namespace of its own that holds a copy of every mount under
    // /tmp made before it started, this line's of another board included; while
    // such a copy lives, unmounting does not end the connection, and a loop
    // blocked in read(/dev/fuse) would never return. Destroying the session
    // afterwards closes the device, which ends the connection for every copy.
    void serve() {
        fuse_session* session = fuse_get_session(fuse_);
        pollfd device{fuse_session_fd(session), POLLIN, 0};
        fuse_buf buffer{};
        while (fuse_session_exited(session) == 0) {
            const int ready = ::poll(&device, 1, 100);
            if (ready < 0 && errno != EINTR) {
                break;
            }
            if (ready <= 0) {
                continue;
            }
            const int received = fuse_session_receive_buf(session, &buffer);
            if (received == -EINTR || received == -EAGAIN) {
                continue;
            }
            if (received <= 0) {
                break;
            }
            fuse_session_process_buf(session, &buffer);
        }
        std::free(buffer.mem);
    }

    struct OpenFile {
        // Edges taken note of by the last read; none yet after the open.
        int seenEdges = unread;
        fuse_pollhandle* waiting = nullptr;
    };

    static constexpr int unread = -1;

    static Emulation& self() { return *static_cast<Emulation*>(fuse_get_context()->private_data); }

    // Static attributes beside value, as sysfs has them.
    static const char* fixedText(const char* path) {
        if (std::strcmp(path, "/direction") == 0) {
            return "in\n";
        }
        if (std::strcmp(path, "/edge") == 0) {
            return "both\n";
        }
        return nullptr;
    }

    static void* init(fuse_conn_info*, fuse_config* config) {
        // Every read must reach the handler, as on sysfs.
        config->direct_io = 1;
        config->kernel_cache = 0;
        config->attr_timeout = 0;
        config->entry_timeout = 0;
        return fuse_get_context()->private_data;
    }

    static int getattr(const char* path, struct stat* st, fuse_file_info*) {
        *st = {};
        if (std::strcmp(path, "/") == 0) {
            st->st_mode = S_IFDIR | 0755;
            st->st_nlink = 2;
        } else if (std::strcmp(path, "/value") == 0 || fixedText(path) != nullptr) {
            st->st_mode = S_IFREG | 0644;
            st->st_nlink = 1;
            st->st_size = 4096;  // what sysfs reports for any attribute
        } else {
            return -ENOENT;
        }
        return 0;
    }

    static int readdir(const char*, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
                       fuse_readdir_flags) {
        for (const char* name : {".", "..", "value", "direction", "edge"}) {
            fill(buffer, name, nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
        }
        return 0;
    }

    static int open(const char* path, fuse_file_info* fi) {
        if (std::strcmp(path, "/value") != 0) {
            return fixedText(path) ? 0 : -ENOENT;
        }
        Emulation& e = self();
        std::lock_guard<std::mutex> lock(e.mutex_);
        fi->fh = ++e.nextHandle_;
        fi->direct_io = 1;
        e.files_[fi->fh] = OpenFile{};
        return 0;
    }

    static int read(const char* path, char* buffer, size_t size, off_t offset, fuse_file_info* fi) {
        std::string text;
        if (const char* fixed = fixedText(path)) {
            text = fixed;
        } else {
            Emulation& e = self();
            std::lock_guard<std::mutex> lock(e.mutex_);
            const int edges = e.edges;
            text = edges % 2 ? "1\n" : "0\n";
            const auto file = e.files_.find(fi->fh);
            if (file != e.files_.end()) {
                file->second.seenEdges = edges;  // reading re-arms the interrupt
            }
        }
        if (offset >= static_cast<off_t>(text.size())) {
            return 0;
        }
        const size_t n = std::min(size, text.size() - static_cast<size_t>(offset));
        // NOLINTNEXTLINE(bugprone-not-null-terminated-result): FUSE reads bytes, not a string
        std::memcpy(buffer, text.data() + offset, n);
        return static_cast<int>(n);
    }

    static int release(const char*, fuse_file_info* fi) {
        Emulation& e = self();
        std::lock_guard<std::mutex> lock(e.mutex_);
        const auto file = e.files_.find(fi->fh);
        if (file != e.files_.end()) {
            if (file->second.waiting != nullptr) {
                fuse_pollhandle_destroy(file->second.waiting);
            }
            e.files_.erase(file);
        }
        return 0;
    }

    static int poll(const char*, fuse_file_info* fi, fuse_pollhandle* handle, unsigned* events) {
        Emulation& e = self();
        std::lock_guard<std::mutex> lock(e.mutex_);
        *events = POLLIN | POLLRDNORM;
        const auto file = e.files_.find(fi->fh);
        if (file == e.files_.end()) {
            if (handle != nullptr) {
                fuse_pollhandle_destroy(handle);
            }
            return 0;
        }
        if (file->second.seenEdges != e.edges) {
            *events |= POLLPRI | POLLERR;
            // Ready now: nobody waits, so pollers() counts only real waiters.
            if (handle != nullptr) {
                fuse_pollhandle_destroy(handle);
            }
            return 0;
        }
        if (handle != nullptr) {
            if (file->second.waiting != nullptr) {
                fuse_pollhandle_destroy(file->second.waiting);
            }
            file->second.waiting = handle;
        }
        return 0;
    }

    std::string mountpoint_;
    std::mutex mutex_;
    std::map<uint64_t, OpenFile> files_;
    uint64_t nextHandle_ = 0;
    fuse* fuse_ = nullptr;
    std::thread loop_;
};

#else

class InterruptLine::Emulation {
public:
    explicit Emulation(int gpio) : gpio(gpio) {}
    const int gpio;
    std::atomic<int> edges{0};
    bool mounted() const { return false; }
    std::string start() { return {}; }
    int pollers() { return 0; }
    void raise() { ++edges; }
};

#endif

InterruptLine::InterruptLine(int gpio) : emulation_(std::make_unique<Emulation>(gpio)) {}

InterruptLine::~InterruptLine() = default;

std::string InterruptLine::devicePath() const {
    return "/sys/class/gpio/gpio" + std::to_string(emulation_->gpio) + "/value";
}

void InterruptLine::install(Testbed& testbed) {
    const fs::path link = fs::path(testbed.pathOf(devicePath())).parent_path();
    fs::create_directories(link.parent_path());
    const std::string mounted = emulation_->start();
    if (!mounted.empty()) {
        fs::create_directory_symlink(mounted, link);
        return;
    }
    // A plain file: readable, but poll() never reports an edge.
    const std::string directory = lineDirectory(emulation_->gpio);
    testbed.put(directory + "/value", "0\n");
    fs::create_directory_symlink(
        fs::path(testbed.pathOf(directory)).lexically_relative(link.parent_path()), link);
    testbed_ = &testbed;
}

bool InterruptLine::polls() const {
    return emulation_->mounted();
}

int InterruptLine::pollers() const {
    return emulation_->pollers();
}

void InterruptLine::raise() {
    emulation_->raise();
    if (testbed_ != nullptr) {
        testbed_->put(lineDirectory(emulation_->gpio) + "/value",
                      emulation_->edges % 2 ? "1\n" : "0\n");
    }
}

int InterruptLine::edges() const {
    return emulation_->edges;
}

}  // namespace Corvane::Sim
