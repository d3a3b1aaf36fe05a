#pragma once

#include <QObject>
#include <QString>

namespace Corvane {

class SerialisableDataPacket;

// An object that acts on JSON packets of the classes it agreed to take.
class SerialisableDataPacketAcceptorInterface {
public:
    virtual ~SerialisableDataPacketAcceptorInterface() = default;
    virtual bool canAcceptPacket(QString className) = 0;
    virtual void acceptPacket(const SerialisableDataPacket& packet) = 0;
};

}  // namespace Corvane
