// Arbitrary text as the payload of a JSON packet: what parses must come back
// equal from its own compact text, and every reader of the JSON packet
// classes (datacore packet, path tree packet, nested packets) must cope
// with whatever keys and types it holds.

#include "FuzzSupport.h"
#include "packets/DatacorePacket.h"
#include "packets/DatacorePathRadixTreePacket.h"

using namespace Corvane;

CORVANE_FUZZ_USAGE(
    "Deserialises arbitrary text as a JSON packet, round-trips it and reads\n"
    "it as a datacore packet, a path tree packet and a packet of packets.")

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QJsonParseError error{};
    const SerialisableDataPacket packet =
        SerialisableDataPacket::deserialise(Fuzz::bytes(data, size), error);
    if (error.error != QJsonParseError::NoError) {
        return 0;
    }
    QJsonParseError again{};
    if (SerialisableDataPacket::deserialise(packet.serialise(), again) != packet) {
        Fuzz::fail("a JSON packet changes on its way through its own text");
    }
    packet.getPacketClassName();

    DatacorePacket datacore{QString(DatacorePacket::className)};
    datacore.setJsonObject(packet.getJsonObject());
    datacore.getClientID();
    datacore.getPacketID();
    datacore.getDatacorePath();
    datacore.getDatacoreJsonObject();

    DatacorePathRadixTreePacket tree{QString(DatacorePathRadixTreePacket::className)};
    tree.setJsonObject(packet.getJsonObject());
    tree.getDestinationClientId();
    tree.getRootNodeForStatusTree();
    tree.getRootNodeForConfigTree();
    tree.getRootNodeForCommandTree();
    tree.getRootNodeForPersistentConfigTree();

    // Any key may be asked for a nested packet or a list of them.
    for (const QString& key : packet.getJsonObject().keys()) {
        bool ok = false;
        packet.extractOtherPacketFromThis(key, ok);
        packet.extractOtherPacketsFromThis(key, ok);
    }
    return 0;
}
