// Arbitrary bytes from a datacore server, through NetworkConnection's own
// receive loop on a real socket: the first byte says how the stream is cut
// into reads, receivers listen for all twelve packet identifiers, and every
// packet the factory builds must come back the same from the frame of its
// own payload.

#include "FuzzSupport.h"
#include "client/NetworkConnection.h"
#include "packets/RawDataPacketFactory.h"
#include "packets/RawDataPacketReceiverInterface.h"

#include <sys/socket.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QTcpSocket>
#include <cerrno>
#include <memory>
#include <vector>

using namespace Corvane;

namespace {

class Receiver : public RawDataPacketReceiverInterfaceBase {
public:
    explicit Receiver(unsigned int key) : RawDataPacketReceiverInterfaceBase(key) {
        insertIntoRegistry();
    }

    void receiveRawDataPacket(std::shared_ptr<const RawDataPacket> packet) override {
        if (!packet || makeRegistryKey(packet->getHeaderFromPacket().packetIdentifier,
                                       packet->getHeaderFromPacket().sourceInstanceIdentifier) !=
                           getRegistryKey()) {
            Fuzz::fail("a receiver got a packet of another key");
        }
        const QByteArray payload = packet->getSerialisedPayloadForTransmit();
        const auto again = RawDataPacketFactory::createPacketFromDataBufferAt(
            packet->generatePacketHeaderForPayload(payload) + payload, 0);
        if (!again || again->getPacketIdentifier() != packet->getPacketIdentifier() ||
            again->getSerialisedPayloadForTransmit() != payload) {
            Fuzz::fail("a packet does not come back the same from its own payload");
        }
    }
};

// Never destroyed: the registry they unlist themselves from may be gone
// first at exit.
auto* const receivers = new std::vector<std::unique_ptr<Receiver>>;

bool writeAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) {
            continue;  // libFuzzer's timeout alarm, not a failure
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    Fuzz::answerHelp(*argc, *argv,
                     "Sends arbitrary bytes to NetworkConnection over a socket pair, cut into\n"
                     "reads by the first byte, with receivers for every packet identifier.");
    new QCoreApplication(*argc, *argv);
    for (quint16 id = PacketIdentifier::first; id <= PacketIdentifier::last; ++id) {
        receivers->push_back(
            std::make_unique<Receiver>(RawDataPacketReceiverInterfaceBase::makeRegistryKey(id, 0)));
    }
    // The histogram packet carries a source instance of its own.
    receivers->push_back(
        std::make_unique<Receiver>(RawDataPacketReceiverInterfaceBase::makeRegistryKey(
            PacketIdentifier::videoIpIpatHistogram, 1)));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The whole input waits in the socket before it is read.
    if (size < 1 || size > 128 * 1024) {
        return 0;
    }
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
        Fuzz::fail("no socket pair");
    }
    auto socket = std::make_unique<QTcpSocket>();
    if (!socket->setSocketDescriptor(fds[0])) {
        Fuzz::fail("QTcpSocket does not take the socket pair");
    }
    QTcpSocket* const reader = socket.get();
    NetworkConnection connection;
    connection.connectToHost(std::move(socket));

    const size_t step = data[0] == 0 ? size : data[0];
    for (size_t at = 1; at < size; at += step) {
        const size_t n = std::min(step, size - at);
        if (!writeAll(fds[1], data + at, n)) {
            Fuzz::fail("writing to the socket pair failed");
        }
        reader->waitForReadyRead(1000);
    }
    ::close(fds[1]);
    while (reader->state() == QAbstractSocket::ConnectedState && reader->waitForReadyRead(1000)) {
    }
    return 0;
}
