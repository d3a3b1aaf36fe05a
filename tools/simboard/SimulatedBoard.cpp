#include "SimulatedBoard.h"

#include <fcntl.h>
#include <linux/watchdog.h>
#include <sys/stat.h>
#include <umockdev.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace fs = std::filesystem;

namespace Corvane::Sim {

namespace {

constexpr unsigned int windowBases = 32;

void throwErrno(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

// The watchdog driver's behaviour, driven from umockdev's worker thread. A
// second open cannot be refused at open time (the preload opens the backing
// file itself), so every request on a second descriptor fails with EBUSY
// instead, once the first descriptor is seen to be still open.
class WatchdogEmulation {
public:
    WatchdogEmulation() : handler_(umockdev_ioctl_base_new()) {
        g_signal_connect(handler_, "client-connected", G_CALLBACK(onConnected), this);
        g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(onIoctl), this);
        g_signal_connect(handler_, "handle-write", G_CALLBACK(onWrite), this);
    }
    ~WatchdogEmulation() {
        // Requests waiting for a retry point at this object: let them run out
        // (each within retries * retryMs) while the worker thread still runs.
        for (int i = 0; i < 2 * retries && pendingCount() > 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(retryMs));
        }
        std::lock_guard<std::mutex> lock(mutex_);
        if (owner_ != nullptr) {
            g_object_unref(owner_);
        }
        g_object_unref(handler_);
    }
    WatchdogEmulation(const WatchdogEmulation&) = delete;
    WatchdogEmulation& operator=(const WatchdogEmulation&) = delete;

    UMockdevIoctlBase* handler() const { return handler_; }

    WatchdogState state() {
        std::lock_guard<std::mutex> lock(mutex_);
        noticeOwnerClose();
        return state_;
    }

private:
    // A request from a descriptor that is not (yet) the owner waits a little
    // for the owner's close to arrive before it is refused.
    struct Pending {
        WatchdogEmulation* self;
        UMockdevIoctlClient* client;
        bool isWrite;
        int triesLeft;
    };
    static constexpr int retryMs = 10;
    static constexpr int retries = 50;

    static void onConnected(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer data) {
        auto* self = static_cast<WatchdogEmulation*>(data);
        std::lock_guard<std::mutex> lock(self->mutex_);
        self->noticeOwnerClose();
        if (self->owner_ == nullptr) {
            self->takeOwnership(client);
        }
    }

    static gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer data) {
        return static_cast<WatchdogEmulation*>(data)->dispatch(client, false);
    }
    static gboolean onWrite(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer data) {
        return static_cast<WatchdogEmulation*>(data)->dispatch(client, true);
    }

    gboolean dispatch(UMockdevIoctlClient* client, bool isWrite) {
        std::lock_guard<std::mutex> lock(mutex_);
        noticeOwnerClose();
        if (owner_ == nullptr) {
            takeOwnership(client);
        }
        if (owner_ == client) {
            serve(client, isWrite);
            return TRUE;
        }
        GMainContext* context = g_main_context_get_thread_default();
        if (context == nullptr) {
            refuse(client);
            return TRUE;
        }
        ++pending_;
        auto* pending = new Pending{this, client, isWrite, retries};
        g_object_ref(client);
        GSource* source = g_timeout_source_new(retryMs);
        g_source_set_callback(source, retry, pending, nullptr);
        g_source_attach(source, context);
        g_source_unref(source);
        return TRUE;
    }

    static gboolean retry(gpointer data) {
        auto* pending = static_cast<Pending*>(data);
        WatchdogEmulation* self = pending->self;
        {
            std::lock_guard<std::mutex> lock(self->mutex_);
            self->noticeOwnerClose();
            if (self->owner_ == nullptr) {
                self->takeOwnership(pending->client);
            }
            if (self->owner_ == pending->client) {
                self->serve(pending->client, pending->isWrite);
            } else if (--pending->triesLeft > 0) {
                return G_SOURCE_CONTINUE;
            } else {
                self->refuse(pending->client);
            }
            --self->pending_;
        }
        g_object_unref(pending->client);
        delete pending;
        return G_SOURCE_REMOVE;
    }

    void takeOwnership(UMockdevIoctlClient* client) {
        owner_ = static_cast<UMockdevIoctlClient*>(g_object_ref(client));
        expectClose_ = false;
        state_.open = true;
        state_.armed = true;  // opening the device starts the timer
        ++state_.opens;
    }

    void refuse(UMockdevIoctlClient* client) {
        ++state_.busyRefusals;
        umockdev_ioctl_client_complete(client, -1, EBUSY);
    }

    void noticeOwnerClose() {
        if (owner_ == nullptr || umockdev_ioctl_client_get_connected(owner_)) {
            return;
        }
        g_object_unref(owner_);
        owner_ = nullptr;
        state_.open = false;
        if (expectClose_) {
            state_.armed = false;
            ++state_.magicCloses;
        } else {
            ++state_.unexpectedCloses;
        }
    }

    void serve(UMockdevIoctlClient* client, bool isWrite) {
        UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
        if (isWrite) {
            const auto* bytes = static_cast<const guint8*>(arg->data);
            const int length = arg->data_len;
            expectClose_ = length > 0 && std::memchr(bytes, 'V', static_cast<size_t>(length));
            if (length > 0) {
                ++state_.keepalives;  // any write pings the watchdog
            }
            umockdev_ioctl_client_complete(client, length, 0);
            return;
        }
        long result = 0;
        int error = 0;
        switch (umockdev_ioctl_client_get_request(client)) {
            case WDIOC_KEEPALIVE:
                ++state_.keepalives;
                break;
            case WDIOC_SETTIMEOUT:
                withInt(arg, [&](int& value) {
                    if (value < 1 || value > 65535) {
                        result = -1;
                        error = EINVAL;
                        return;
                    }
                    state_.timeoutSeconds = value;
                    ++state_.keepalives;
                });
                if (result == 0) {
                    withInt(arg, [&](int& value) { value = state_.timeoutSeconds; });
                }
                break;
            case WDIOC_GETTIMEOUT:
                withInt(arg, [&](int& value) { value = state_.timeoutSeconds; });
                break;
            case WDIOC_GETSTATUS:
            case WDIOC_GETBOOTSTATUS:
                withInt(arg, [&](int& value) { value = 0; });
                break;
            case WDIOC_SETOPTIONS:
                withInt(arg, [&](int& value) {
                    if (value & WDIOS_DISABLECARD) {
                        state_.armed = false;
                    } else if (value & WDIOS_ENABLECARD) {
                        state_.armed = true;
                    } else {
                        result = -1;
                        error = EINVAL;
                    }
                });
                break;
            default:
                result = -1;
                error = ENOTTY;  // what the driver answers for requests it lacks
                break;
        }
        umockdev_ioctl_client_complete(client, result, error);
    }

    // Maps the client's int argument into this process; changes travel back
    // when the request completes.
    template <typename F>
    static void withInt(UMockdevIoctlData* arg, F&& use) {
        GError* error = nullptr;
        UMockdevIoctlData* data = umockdev_ioctl_data_resolve(arg, 0, sizeof(int), &error);
        if (data == nullptr) {
            g_clear_error(&error);
            return;
        }
        int value = 0;
        std::memcpy(&value, data->data, sizeof value);
        use(value);
        std::memcpy(data->data, &value, sizeof value);
        g_object_unref(data);
    }

    int pendingCount() {
        std::lock_guard<std::mutex> lock(mutex_);
        return pending_;
    }

    UMockdevIoctlBase* handler_;
    std::mutex mutex_;
    int pending_ = 0;
    WatchdogState state_;
    UMockdevIoctlClient* owner_ = nullptr;
    bool expectClose_ = false;
};

std::string serialMacRecord(const BoardConfig::SerialMac& record) {
    std::string bytes = "mac: ";
    bytes.append(reinterpret_cast<const char*>(record.mac.data()), record.mac.size());
    char serial[16];
    std::snprintf(serial, sizeof serial, "%06u", record.serial % 1000000);
    bytes += "\nserial: ";
    bytes += serial;
    return bytes;
}

}  // namespace

struct SimulatedBoard::Impl {
    UMockdevTestbed* testbed = nullptr;
    std::unique_ptr<WatchdogEmulation> watchdog;
};

const std::vector<unsigned int>& boardLines(Board board) {
    static const std::vector<unsigned int> lines[3] = {
        {127, 126, 125, 124, 123, 122, 121},
        {508, 507, 506, 505, 504},
        {502, 501, 500, 499, 498, 497, 496},
    };
    return lines[static_cast<int>(board)];
}

std::optional<std::size_t> windowIndex(unsigned int base, unsigned int offset) {
    if (base >= windowBases) {
        return std::nullopt;
    }
    return (static_cast<std::size_t>(base) << 16) | (offset & 0xFFFFu);
}

SimulatedBoard::SimulatedBoard(const BoardConfig& config) : impl_(std::make_unique<Impl>()) {
    impl_->testbed = umockdev_testbed_new();
    gchar* root = umockdev_testbed_get_root_dir(impl_->testbed);
    root_ = root;
    g_free(root);
    try {
        build(config);
    } catch (...) {
        // A board that cannot be built leaves no testbed behind.
        impl_->watchdog.reset();
        g_object_unref(impl_->testbed);
        throw;
    }
}

void SimulatedBoard::build(const BoardConfig& config) {
    fs::create_directories(root_ + "/dev");
    fs::create_directories(root_ + "/proc");
    if (config.window) {
        const int fd = ::open(windowPath().c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(windowBytes)) != 0) {
            throwErrno("register window " + windowPath());
        }
        ::close(fd);
        for (const RegisterValue& r : config.registers) {
            writeRegister(r.base, r.offset, r.value);
        }
    }
    if (config.fpga) {
        const auto& f = *config.fpga;
        std::ostringstream text;
        // The driver prints more than the two lines the software parses;
        // the extra line shows that nothing depends on what follows them.
        text << "fpga_version: " << f.major << '.' << f.minor << '.' << f.patch << '+' << f.build
             << "\nfpga_design_id: " << f.designId << "\nlink: x4 gen2\n";
        setProcText(text.str());
    }
    setBoardId(Board::main, config.mainId);
    setBoardId(Board::mezzanine, config.mezzanineId);
    setBoardId(Board::frontPanel, config.frontPanelId);
    if (config.serialMac) {
        setFlashBytes(serialMacRecord(*config.serialMac));
    }
    if (config.led) {
        for (int chip = 0; chip < 3; ++chip) {
            fs::create_directories(fs::path(pwmPath(chip, "pwm0/enable")).parent_path());
            writeFile(pwmPath(chip, "export"), "");
        }
        clearPwmFiles();
    }
    if (config.watchdog) {
        writeFile(pathOf("/dev/watchdog"), "");
        impl_->watchdog = std::make_unique<WatchdogEmulation>();
        GError* error = nullptr;
        if (!umockdev_testbed_attach_ioctl(impl_->testbed, "/dev/watchdog",
                                           impl_->watchdog->handler(), &error)) {
            const std::string message = error ? error->message : "unknown error";
            g_clear_error(&error);
            throw std::runtime_error("watchdog emulation: " + message);
        }
    }
}

SimulatedBoard::~SimulatedBoard() {
    if (impl_->watchdog) {
        umockdev_testbed_detach_ioctl(impl_->testbed, "/dev/watchdog", nullptr);
        impl_->watchdog.reset();
    }
    if (keep_) {
        // The testbed removes its directory when it is finalised; a kept
        // board is deliberately not finalised.
        return;
    }
    g_object_unref(impl_->testbed);
}

std::string SimulatedBoard::pathOf(const std::string& devicePath) const {
    return root_ + devicePath;
}

namespace {

// One 32-bit access to the window file at the register's byte offset.
template <typename Io>
void accessRegister(const std::string& window, unsigned int base, unsigned int offset, int flags,
                    Io&& io) {
    const auto index = windowIndex(base, offset);
    if (!index) {
        throw std::out_of_range("base " + std::to_string(base) + " lies outside the window");
    }
    const int fd = ::open(window.c_str(), flags);
    if (fd < 0) {
        throwErrno("register window " + window);
    }
    const ssize_t n = io(fd, static_cast<off_t>(*index * 4));
    ::close(fd);
    if (n != static_cast<ssize_t>(sizeof(std::uint32_t))) {
        throwErrno("register window access");
    }
}

}  // namespace

std::uint32_t SimulatedBoard::readRegister(unsigned int base, unsigned int offset) const {
    std::uint32_t value = 0;
    accessRegister(windowPath(), base, offset, O_RDONLY,
                   [&](int fd, off_t at) { return ::pread(fd, &value, sizeof value, at); });
    return value;
}

void SimulatedBoard::writeRegister(unsigned int base, unsigned int offset, std::uint32_t value) {
    accessRegister(windowPath(), base, offset, O_WRONLY,
                   [&](int fd, off_t at) { return ::pwrite(fd, &value, sizeof value, at); });
}

void SimulatedBoard::setBoardId(Board board, std::optional<int> id) {
    const auto& lines = boardLines(board);
    if (id && (*id < 0 || *id >= (1 << lines.size()))) {
        throw std::invalid_argument("board identity " + std::to_string(*id) + " does not fit " +
                                    std::to_string(lines.size()) + " lines");
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string dir = pathOf("/sys/class/gpio/gpio" + std::to_string(lines[i]));
        if (!id) {
            fs::remove_all(dir);
            continue;
        }
        fs::create_directories(dir);
        const int bit = (*id >> (lines.size() - 1 - i)) & 1;
        writeFile(dir + "/value", bit ? "1\n" : "0\n");
    }
}

void SimulatedBoard::setProcText(const std::string& text) {
    writeFile(pathOf("/proc/corv_pcie"), text);
}

void SimulatedBoard::removeProc() {
    fs::remove(pathOf("/proc/corv_pcie"));
}

void SimulatedBoard::setFlashBytes(const std::string& bytes) {
    // An erased NOR partition reads as 0xFF beyond the record.
    std::string image(64 * 1024, '\xff');
    image.replace(0, std::min(bytes.size(), image.size()), bytes.substr(0, image.size()));
    writeFile(pathOf("/dev/mtd8"), image);
}

std::string SimulatedBoard::pwmPath(int chip, const std::string& attribute) const {
    return pathOf("/sys/class/pwm/pwmchip" + std::to_string(chip) + "/" + attribute);
}

void SimulatedBoard::clearPwmFiles() {
    for (int chip = 0; chip < 3; ++chip) {
        for (const char* attribute : {"pwm0/period", "pwm0/duty_cycle", "pwm0/enable"}) {
            writeFile(pwmPath(chip, attribute), "");
        }
    }
}

WatchdogState SimulatedBoard::watchdog() const {
    return impl_->watchdog ? impl_->watchdog->state() : WatchdogState{};
}

bool SimulatedBoard::waitForWatchdogClosed(std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (watchdog().open) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

pid_t SimulatedBoard::spawn(const std::vector<std::string>& argv,
                            const std::string& outputPath) const {
    if (argv.empty()) {
        throw std::invalid_argument("nothing to run");
    }
    // Everything the child needs is prepared before fork: the parent runs
    // umockdev's worker threads, so the child may only exec.
    std::vector<std::string> args{"umockdev-wrapper"};
    args.insert(args.end(), argv.begin(), argv.end());
    std::vector<char*> cargs;
    for (auto& a : args) {
        cargs.push_back(a.data());
    }
    cargs.push_back(nullptr);

    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::strncmp(*e, "UMOCKDEV_DIR=", 13) != 0) {
            env.emplace_back(*e);
        }
    }
    env.push_back("UMOCKDEV_DIR=" + root_);
    std::vector<char*> cenv;
    for (auto& e : env) {
        cenv.push_back(e.data());
    }
    cenv.push_back(nullptr);

    int outFd = -1;
    if (!outputPath.empty()) {
        outFd = ::open(outputPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (outFd < 0) {
            throwErrno(outputPath);
        }
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (outFd >= 0) {
            ::dup2(outFd, STDOUT_FILENO);
            ::dup2(outFd, STDERR_FILENO);
        }
        ::execvpe(cargs[0], cargs.data(), cenv.data());
        const char message[] = "umockdev-wrapper: cannot be started\n";
        (void)!::write(STDERR_FILENO, message, sizeof message - 1);
        ::_exit(127);
    }
    if (outFd >= 0) {
        ::close(outFd);
    }
    if (pid < 0) {
        throwErrno("fork");
    }
    return pid;
}

std::string SimulatedBoard::readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void SimulatedBoard::writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

void reexecUnderPreload(int argc, char** argv) {
    (void)argc;
    const char* preload = std::getenv("LD_PRELOAD");
    if (preload != nullptr && std::strstr(preload, "libumockdev-preload") != nullptr) {
        return;
    }
    std::string value = "libumockdev-preload.so.0";
    if (preload != nullptr && *preload != '\0') {
        value += ":";
        value += preload;
    }
    ::setenv("LD_PRELOAD", value.c_str(), 1);
    ::execv("/proc/self/exe", argv);
    std::perror("re-executing with the umockdev preload");
    std::exit(1);
}

}  // namespace Corvane::Sim
