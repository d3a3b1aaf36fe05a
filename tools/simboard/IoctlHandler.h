#pragma once

#include <umockdev.h>

#include <cstddef>
#include <cstring>
#include <memory>
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

    // Client memory mapped into this process: length bytes at the address
    // stored at offset in parent (the ioctl's argument, or memory resolved
    // from it, for nested pointers such as a message array and each
    // message's buffer). What is changed in it travels back when the request
    // completes. Null when the client's memory cannot be read.
    struct Unref {
        void operator()(UMockdevIoctlData* data) const { g_object_unref(data); }
    };
    using ClientMemory = std::unique_ptr<UMockdevIoctlData, Unref>;
    static ClientMemory resolve(UMockdevIoctlData* parent, std::size_t offset, std::size_t length);

    // Hands use a copy of the T the argument points at and writes it back;
    // false when the client's memory cannot be read.
    template <typename T, typename F>
    static bool withPointee(UMockdevIoctlData* arg, F&& use) {
        static_assert(std::is_trivially_copyable_v<T>);
        const ClientMemory data = resolve(arg, 0, sizeof(T));
        if (!data) {
            return false;
        }
        T value{};
        std::memcpy(&value, data->data, sizeof value);
        use(value);
        std::memcpy(data->data, &value, sizeof value);
        return true;
    }

private:
    static void onConnected(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
    static gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
    static gboolean onWrite(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);

    UMockdevIoctlBase* base_;
};

}  // namespace Corvane::Sim
