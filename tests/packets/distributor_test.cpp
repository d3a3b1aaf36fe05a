#include "PacketTestHelpers.h"
#include "packets/AudioMetersDataPacket.h"
#include "packets/RawDataPacketFactory.h"
#include "packets/SerialisableDataPacketDistributor.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <QObject>
#include <QPointer>
#include <memory>
#include <string>
#include <vector>

namespace Corvane {
namespace {

using Testing::LogCapture;
using Registry = QMultiMap<unsigned int, RawDataPacketReceiverInterfaceBase*>;

// Records "<tag>:<class>" for every packet it is given.
class Recorder : public SerialisableDataPacketAcceptorInterface {
public:
    Recorder(std::string tag, std::vector<std::string>& log, bool willing = true)
        : tag_(std::move(tag)), log_(log), willing_(willing) {}
    bool canAcceptPacket(QString) override { return willing_; }
    void acceptPacket(const SerialisableDataPacket& packet) override {
        log_.push_back(tag_ + ":" + packet.getPacketClassName().toStdString());
    }

private:
    std::string tag_;
    std::vector<std::string>& log_;
    bool willing_;
};

// Hands every packet that reaches the registry's JSON key to its receivers,
// newest first, the way a connection does.
void deliver(const RawDataPacket& packet) {
    QByteArray buffer = Testing::frameOf(packet);
    const std::shared_ptr<const RawDataPacket> received = Testing::take(buffer);
    ASSERT_TRUE(received);
    const auto key = RawDataPacketReceiverInterfaceBase::makeRegistryKey(
        received->getPacketIdentifier(), received->getSourceInstanceIdentifier());
    for (RawDataPacketReceiverInterfaceBase* receiver :
         RawDataPacketReceiverInterfaceBase::registry.values(key)) {
        receiver->receiveRawDataPacket(received);
    }
}

TEST(Distributor, RoutesByClassInRegistrationOrder) {
    std::vector<std::string> log;
    Recorder a("a", log), b("b", log), c("c", log);
    SerialisableDataPacketDistributor distributor(nullptr);
    distributor.registerPacketAcceptor(&a, QString("Alpha"));
    distributor.registerPacketAcceptor(&b, std::deque<QString>{"Beta", "Alpha"});
    distributor.registerPacketAcceptor(&c, QString("Beta"));
    distributor.registerPacketAcceptor(&a, QString("Beta"));  // twice is twice
    distributor.registerPacketAcceptor(nullptr, QString("Alpha"));

    deliver(SerialisableDataPacket("Alpha"));
    deliver(SerialisableDataPacket("Beta"));
    EXPECT_EQ(log, (std::vector<std::string>{"a:Alpha", "b:Alpha", "b:Beta", "c:Beta", "a:Beta"}));
    // A distributor takes any class, so distributors can be chained.
    EXPECT_TRUE(distributor.canAcceptPacket("Gamma"));
}

TEST(Distributor, PacketsWithoutAWillingAcceptorAreLogged) {
    LogCapture capture;
    std::vector<std::string> log;
    Recorder refuser("r", log, false);
    Recorder other("x", log);
    SerialisableDataPacketDistributor distributor(nullptr);
    distributor.registerPacketAcceptor(&refuser, QString("Alpha"));
    distributor.registerPacketAcceptor(&other, QString("Beta"));
    EXPECT_TRUE(
        capture.contains("Could not register packetAcceptor to accept packets of the class Alpha"));

    deliver(SerialisableDataPacket("Alpha"));
    EXPECT_TRUE(
        capture.contains("There are no packet acceptors registered for packets of type Alpha"));
    // A payload that does not parse has no class, hence no acceptor.
    QByteArray buffer = Testing::rawFrame(0x1010, QByteArray(4, 0) + "not json");
    distributor.receiveRawDataPacket(Testing::take(buffer));
    EXPECT_EQ(capture.lines().back(),
              "There are no packet acceptors registered for packets of type ");
    EXPECT_TRUE(log.empty());
}

TEST(Distributor, RegistryEntryLivesWithTheDistributor) {
    const Registry before = RawDataPacketReceiverInterfaceBase::registry;
    const unsigned int key = 0x1010;
    {
        auto* parent = new QObject;
        QPointer<SerialisableDataPacketDistributor> first =
            new SerialisableDataPacketDistributor(parent);
        SerialisableDataPacketDistributor second(nullptr);
        // Also listed by hand for source instance 1: gone with it all the same.
        RawDataPacketReceiverInterfaceBase::registry.insert(0x00011010, &second);
        EXPECT_EQ(RawDataPacketReceiverInterfaceBase::registry.values(key).first(), &second)
            << "newest registered first";
        EXPECT_EQ(RawDataPacketReceiverInterfaceBase::registry.count(key, first.data()), 1);
        delete parent;  // destroys the child distributor
        EXPECT_TRUE(first.isNull());
        EXPECT_EQ(RawDataPacketReceiverInterfaceBase::registry.values(key),
                  QList<RawDataPacketReceiverInterfaceBase*>{&second});
    }
    EXPECT_EQ(RawDataPacketReceiverInterfaceBase::registry, before);
}

}  // namespace
}  // namespace Corvane
