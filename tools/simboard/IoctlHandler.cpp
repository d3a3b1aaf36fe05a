#include "IoctlHandler.h"

namespace Corvane::Sim {

IoctlHandler::IoctlHandler() : base_(umockdev_ioctl_base_new()) {
    g_signal_connect(base_, "client-connected", G_CALLBACK(onConnected), this);
    g_signal_connect(base_, "handle-ioctl", G_CALLBACK(onIoctl), this);
    g_signal_connect(base_, "handle-write", G_CALLBACK(onWrite), this);
}

IoctlHandler::~IoctlHandler() {
    // umockdev may hold the object a little longer than this handler lives.
    g_signal_handlers_disconnect_by_data(base_, this);
    g_object_unref(base_);
}

IoctlHandler::ClientMemory IoctlHandler::resolve(UMockdevIoctlData* parent, std::size_t offset,
                                                 std::size_t length) {
    GError* error = nullptr;
    ClientMemory data(umockdev_ioctl_data_resolve(parent, offset, length, &error));
    g_clear_error(&error);
    return data;
}

void IoctlHandler::onConnected(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
    static_cast<IoctlHandler*>(self)->clientConnected(client);
}

gboolean IoctlHandler::onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
    return static_cast<IoctlHandler*>(self)->handleIoctl(client) ? TRUE : FALSE;
}

gboolean IoctlHandler::onWrite(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
    return static_cast<IoctlHandler*>(self)->handleWrite(client) ? TRUE : FALSE;
}

}  // namespace Corvane::Sim
