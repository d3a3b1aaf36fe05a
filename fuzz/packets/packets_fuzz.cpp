// Feeds arbitrary bytes to the receive path: peek, resynchronise on garbage,
// build packets with the factory and serialise what comes out again.

#include "packets/RawDataPacketFactory.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    for (int i = 1; i < *argc; ++i) {
        if (std::strcmp((*argv)[i], "--help") == 0) {
            std::printf(
                "usage: packets_fuzz [libFuzzer options] [corpus directories]\n"
                "Feeds arbitrary bytes to the packet receive path (peek, factory,\n"
                "re-serialisation). libFuzzer's own options: -help=1\n");
            std::exit(0);
        }
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace Corvane;
    QByteArray buffer(reinterpret_cast<const char*>(data), static_cast<int>(size));
    while (buffer.size() >= RawDataPacket::headerSize) {
        const RawDataPacket::Header header = RawDataPacket::peekHeader(buffer);
        if (header.packetIdentifier == PacketIdentifier::incompleteMarker) {
            break;
        }
        if (header.packetIdentifier == PacketIdentifier::garbageMarker) {
            buffer.remove(0, 1);
            continue;
        }
        const int before = buffer.size();
        const auto packet = RawDataPacketFactory::createPacketAndRemovePacketFromDataBuffer(buffer);
        if (!packet || buffer.size() != before - RawDataPacket::headerSize - header.payloadLength) {
            __builtin_trap();  // a complete frame must always be consumed whole
        }
        const QByteArray again = packet->getSerialisedPayloadForTransmit();
        if (again.size() > before * 4 + 1024) {
            __builtin_trap();  // output grew far beyond what came in
        }
    }
    return 0;
}
