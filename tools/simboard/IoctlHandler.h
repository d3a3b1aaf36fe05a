#pragma once

#include <umockdev.h>

#include <cstring>
#include <type_traits>

namespace Corvane::Sim {

// The driver side of an emulated device node: umockdev forwards the ioctls
// and writes of the program under test to these functions, on its worker
// thread, and the handler answers each with umockdev_ioctl_client_complete().
// A function that returns false leaves the request to umockdev's default.
// Attach it with Testbed::attach(); state read from other threads needs a
// lock.
class IoctlHandler {
public:
    IoctlHandler();
    virtual ~IoctlHandler();
    IoctlHandler(const IoctlHandler&) = delete;
    IoctlHandler& operator=(const IoctlHandler&) = delete;

    UMockdevIoctlBase* base() const { return base_; }

protected:
    // A descriptor on the node was opened (the preload connects per open).
    virtual void clientConnected(UMockdevIoctlClient*) {}
    virtual bool handleIoctl(UMockdevIoctlClient*) { return false; }
    virtual bool handleWrite(UMockdevIoctlClient*) { return false; }

    // Maps the T that the client's argument points at into this process
    // and hands it to use; what use changes travels back when the request
    // completes. Nested pointers (a message array, each message's buffer)
    // resolve the same way from the data this gives. False when the client's
    // memory cannot be read.
    template <typename T, typename F>
    static bool withPointee(UMockdevIoctlData* arg, F&& use) {
        static_assert(std::is_trivially_copyable_v<T>);
        GError* error = nullptr;
        UMockdevIoctlData* data = umockdev_ioctl_data_resolve(arg, 0, sizeof(T), &error);
        if (data == nullptr) {
            g_clear_error(&error);
            return false;
        }
        T value{};
        std::memcpy(&value, data->data, sizeof value);
        use(value);
        std::memcpy(data->data, &value, sizeof value);
        g_object_unref(data);
        return true;
    }

private:
    static void onConnected(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
    static gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
    static gboolean onWrite(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);

    UMockdevIoctlBase* base_;
};

}  // namespace Corvane::Sim
