#include "Watchdog.h"

#include <linux/watchdog.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <thread>

#include "IoctlHandler.h"
#include "Testbed.h"

namespace Corvane::Sim {

// The driver's behaviour, driven from umockdev's worker thread. A second
// open cannot be refused at open time (the preload opens the backing file
// itself), so every request on a second descriptor fails with EBUSY instead,
// once the first descriptor is seen to be still open.
class Watchdog::Emulation : public IoctlHandler {
public:
    Emulation() = default;
    ~Emulation() override {
        // Requests waiting for a retry point at this object: let them run out
        // (each within retries * retryMs) while the worker thread still runs.
        for (int i = 0; i < 2 * retries && pendingCount() > 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(retryMs));
        }
        std::lock_guard<std::mutex> lock(mutex_);
        if (owner_ != nullptr) {
            g_object_unref(owner_);
        }
    }

    WatchdogState state() {
        std::lock_guard<std::mutex> lock(mutex_);
        noticeOwnerClose();
        return state_;
    }

protected:
    void clientConnected(UMockdevIoctlClient* client) override {
        std::lock_guard<std::mutex> lock(mutex_);
        noticeOwnerClose();
        if (owner_ == nullptr) {
            takeOwnership(client);
        }
    }
    bool handleIoctl(UMockdevIoctlClient* client) override { return dispatch(client, false); }
    bool handleWrite(UMockdevIoctlClient* client) override { return dispatch(client, true); }

private:
    // A request from a descriptor that is not (yet) the owner waits a little
    // for the owner's close to arrive before it is refused.
    struct Pending {
        Emulation* self;
        UMockdevIoctlClient* client;
        bool isWrite;
        int triesLeft;
    };
    static constexpr int retryMs = 10;
    static constexpr int retries = 50;

    bool dispatch(UMockdevIoctlClient* client, bool isWrite) {
        std::lock_guard<std::mutex> lock(mutex_);
        noticeOwnerClose();
        if (owner_ == nullptr) {
            takeOwnership(client);
        }
        if (owner_ == client) {
            serve(client, isWrite);
            return true;
        }
        GMainContext* context = g_main_context_get_thread_default();
        if (context == nullptr) {
            refuse(client);
            return true;
        }
        ++pending_;
        auto* pending = new Pending{this, client, isWrite, retries};
        g_object_ref(client);
        GSource* source = g_timeout_source_new(retryMs);
        g_source_set_callback(source, retry, pending, nullptr);
        g_source_attach(source, context);
        g_source_unref(source);
        return true;
    }

    static gboolean retry(gpointer data) {
        auto* pending = static_cast<Pending*>(data);
        Emulation* self = pending->self;
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
                withPointee<int>(arg, [&](int& value) {
                    if (value < 1 || value > 65535) {
                        result = -1;
                        error = EINVAL;
                        return;
                    }
                    state_.timeoutSeconds = value;
                    ++state_.keepalives;
                });
                if (result == 0) {
                    withPointee<int>(arg, [&](int& value) { value = state_.timeoutSeconds; });
                }
                break;
            case WDIOC_GETTIMEOUT:
                withPointee<int>(arg, [&](int& value) { value = state_.timeoutSeconds; });
                break;
            case WDIOC_GETSTATUS:
            case WDIOC_GETBOOTSTATUS:
                withPointee<int>(arg, [&](int& value) { value = 0; });
                break;
            case WDIOC_SETOPTIONS:
                withPointee<int>(arg, [&](int& value) {
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

    int pendingCount() {
        std::lock_guard<std::mutex> lock(mutex_);
        return pending_;
    }

    std::mutex mutex_;
    int pending_ = 0;
    WatchdogState state_;
    UMockdevIoctlClient* owner_ = nullptr;
    bool expectClose_ = false;
};

Watchdog::Watchdog() : emulation_(std::make_unique<Emulation>()) {}

Watchdog::~Watchdog() = default;

void Watchdog::install(Testbed& testbed) {
    testbed.put(devicePath, "");
    testbed.attach(devicePath, *emulation_, "watchdog emulation");
}

WatchdogState Watchdog::state() const {
    return emulation_->state();
}

bool Watchdog::waitUntilClosed(std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (state().open) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace Corvane::Sim
