#include "client/ClientDatacore.h"
#include "client/ClientDatacoreMonitor.h"
#include "client/ClientDatacoreRegistry.h"
#include "client/DatacoreConnectionBuilderBase.h"
#include "client/NetworkConnection.h"
#include "client/SdiOutputGroupLaneMapModel.h"
#include "client/TqClientDatacoreManager.h"
#include "packets/RadixTreeNode.h"
#include "packets/SerialisableDataPacketDistributor.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <functional>
#include <limits>

namespace Corvane {
namespace {

QStringList dataOf(const ClientDatacore& datacore) {
    const auto& data = datacore.getDataArray();
    return QStringList(data.begin(), data.end());
}

TEST(ClientDatacore, SetDataConvertsToText) {
    using Set = std::function<void(ClientDatacore&)>;
    const std::pair<Set, QStringList> cases[] = {
        {[](ClientDatacore& d) { d.setDataString("text"); }, {"text"}},
        {[](ClientDatacore& d) {
             d.setDataStringList({"a", "", "c"});
         },
         {"a", "", "c"}},
        {[](ClientDatacore& d) { d.setDataBool(true); }, {"true"}},
        {[](ClientDatacore& d) { d.setDataBool(false); }, {"false"}},
        {[](ClientDatacore& d) { d.setDataInt(-42); }, {"-42"}},
        {[](ClientDatacore& d) { d.setDataInt16(-32768); }, {"-32768"}},
        {[](ClientDatacore& d) { d.setDataUint(4294967295u); }, {"4294967295"}},
        {[](ClientDatacore& d) { d.setDataInt64(std::numeric_limits<int64_t>::min()); },
         {"-9223372036854775808"}},
        {[](ClientDatacore& d) { d.setDataUint64(std::numeric_limits<uint64_t>::max()); },
         {"18446744073709551615"}},
        {[](ClientDatacore& d) { d.setDataUint16(65535); }, {"65535"}},
        {[](ClientDatacore& d) {
             d.setDataIntList({3, -1, 0});
         },
         {"3", "-1", "0"}},
        {[](ClientDatacore& d) {
             d.setDataInt16List({-7, 7});
         },
         {"-7", "7"}},
        {[](ClientDatacore& d) { d.setDataUint16List({65535}); }, {"65535"}},
        {[](ClientDatacore& d) {
             d.setDataUint64List({0, 18446744073709551615u});
         },
         {"0", "18446744073709551615"}},
        {[](ClientDatacore& d) { d.setDataInt64List({}); }, {}},
        {[](ClientDatacore& d) { d.setDataDouble(0.1); }, {"0.10000000000000000555"}},
        {[](ClientDatacore& d) { d.setDataFloat(0.1f); }, {"0.10000000149011611938"}},
        {[](ClientDatacore& d) { d.setDataDouble(-2.5); }, {"-2.5"}},
        {[](ClientDatacore& d) {
             d.setDataPoint({3, -4});
         },
         {"3,-4"}},
        {[](ClientDatacore& d) {
             d.setDataSize({640, 480});
         },
         {"640,480"}},
        {[](ClientDatacore& d) { d.setDataTo1(); }, {"1"}},
    };
    for (const auto& [set, expected] : cases) {
        ClientDatacore datacore("ClientDatacore", "d", nullptr, "root/d");
        QSignalSpy sent(&datacore, &ClientDatacore::clientDatacoreHasUpdateForServer);
        set(datacore);
        EXPECT_EQ(dataOf(datacore), expected);
        set(datacore);  // the value it already holds is no change
        EXPECT_EQ(sent.count(), 1) << expected.join(',').toStdString();
    }
}

TEST(ClientDatacore, EchoesOutsideTheQueueChangeNothing) {
    ClientDatacore datacore("ClientDatacore", "d", nullptr, "root/d");
    std::list<DatacoreJsonMessage> messages;
    const QJsonObject json{{"d", QJsonObject{{"data", "x"}}}};
    EXPECT_FALSE(datacore.trackPacketAndPopulateDataFromJson(0, "", json, false, messages));
    EXPECT_EQ(datacore.getNextPacketID(), 0);
    EXPECT_FALSE(datacore.trackPacketAndPopulateDataFromJson(5, "", json, false, messages));
    EXPECT_EQ(datacore.getData(), "");
    EXPECT_EQ(datacore.getNextPacketID(), 1);  // 0 still outstanding
}

TEST(ClientDatacoreRegistry, PopulatesFromPathsOnceAndClears) {
    struct Case {
        QStringList paths;
        std::vector<std::pair<QString, QString>> created;  // path, instance name
        std::vector<std::string> errors;
    };
    const Case cases[] = {
        {{"status", "status/input1", "status/input1/"},
         {{"status", "status"}, {"status/input1", "input1"}},
         {"No delimiter, assuming root datacore and creating ClientDatacore for: status",
          "Cannot create datacore with incomplete path: status/input1/"}},
        {{"a/b", "a/b"},
         {{"a/b", "b"}},
         {"ClientDatacoreRegistry: Cannot create two cores for path 'a/b'."}},
        {{}, {}, {}},
    };
    for (const Case& c : cases) {
        Testing::LogCapture log;
        NetworkConnection connection;
        ClientDatacoreMonitor monitor(connection);
        ClientDatacoreRegistry registry(connection);
        QSignalSpy populated(&registry, &ClientDatacoreRegistry::registryHasBeenPopulated);
        QSignalSpy cleared(&registry, &ClientDatacoreRegistry::registryHasBeenCleared);
        registry.clearRegistry();
        EXPECT_EQ(cleared.count(), 0);

        registry.populateRegistry(c.paths, monitor);
        EXPECT_EQ(populated.count(), 1);
        for (const auto& [path, name] : c.created) {
            const ClientDatacore* datacore = registry.lookupDatacoreFromPath(path);
            ASSERT_TRUE(datacore);
            EXPECT_EQ(datacore->getInstanceName(), name);
            EXPECT_EQ(datacore->getDatacorePathOnServer(), path);
        }
        EXPECT_EQ(log.lines(), c.errors);

        registry.populateRegistry({"x/y"}, monitor);  // not while populated
        EXPECT_EQ(registry.lookupDatacoreFromPath("x/y") != nullptr, c.paths.isEmpty());
        EXPECT_EQ(populated.count(), c.paths.isEmpty() ? 2 : 1);

        QSignalSpy lookedUp(&registry, &ClientDatacoreRegistry::lookupRequestResult);
        registry.requestLookupDatacoreFromPath("nowhere");
        ASSERT_EQ(lookedUp.count(), 1);
        EXPECT_EQ(lookedUp[0][0].value<ClientDatacore*>(), nullptr);

        registry.onDisconnectedFromServer();
        EXPECT_TRUE(registry.isEmpty());
        EXPECT_EQ(cleared.count(), 1);
    }
}

TEST(TqClientDatacoreManager, PathsOfATreeInPreOrder) {
    NetworkConnection connection;
    SerialisableDataPacketDistributor distributor;
    TqClientDatacoreManager manager(connection, distributor);
    const RadixTreeNode tree{"statusCoreRouter",
                             {{"input", {{"sdi1", {}}, {"sdi2", {}}}}, {"output", {}}}};
    EXPECT_EQ(
        manager.generateDatacorePathsFromRadixTreeNode(tree),
        QStringList({"statusCoreRouter", "statusCoreRouter/input", "statusCoreRouter/input/sdi1",
                     "statusCoreRouter/input/sdi2", "statusCoreRouter/output"}));
    EXPECT_TRUE(manager.canAcceptPacket("DatacorePathRadixTreePacket"));
    EXPECT_FALSE(manager.canAcceptPacket("datacorepathradixtreepacket"));
}

TEST(DatacoreConnectionBuilderBase, UnknownTreeOrPathGivesNull) {
    struct Builder : DatacoreConnectionBuilderBase {
        using DatacoreConnectionBuilderBase::DatacoreConnectionBuilderBase;
        void connectDatacoresToGui() override {}
    };
    Testing::LogCapture log;
    NetworkConnection connection;
    ClientDatacoreRegistry registry(connection);
    Builder builder(registry);
    EXPECT_FALSE(builder.getDatacoreFromOrphanedPathAndRegisterUsage(
        "input/sdi1", static_cast<ServerCommon::DatacoreTree>(4)));
    EXPECT_FALSE(
        builder.getDatacoreFromOrphanedPathAndRegisterUsage("x", ServerCommon::configTree));
    EXPECT_EQ(log.lines(),
              (std::vector<std::string>{"Invalid server side datatree specified",
                                        "Invalid path, constructed from  and input/sdi1",
                                        "Invalid path, constructed from configCoreRouter and x"}));
}

TEST(SdiOutputGroupLaneMapModel, KeepsAtLeastFourLanesAndNeverShrinks) {
    struct Step {
        QStringList data;
        std::vector<int> model;  // after the step
        bool signalled;
    };
    const Step steps[] = {
        {{}, {0, 0, 0, 0}, true},  // the first update always counts
        {{"0", "0"}, {0, 0, 0, 0}, false},
        {{"1", "2", "3", "4"}, {1, 2, 3, 4}, true},
        {{"1", "2", "3", "4"}, {1, 2, 3, 4}, false},
        {{"7", "-1", "x", "2", "5"}, {0, 0, 0, 2, 0}, true},
        {{"1", "2", "3", "4", "4", "3", "2", "1"}, {1, 2, 3, 4, 4, 3, 2, 1}, true},
        {{"1", "2", "3", "4"}, {1, 2, 3, 4, 4, 3, 2, 1}, false},
    };
    Testing::LogCapture log;
    SdiOutputGroupLaneMapModel model;
    QSignalSpy changed(&model, &SdiOutputGroupLaneMapModel::toUser_LaneModelChanged);
    for (const Step& step : steps) {
        changed.clear();
        model.fromDatacoreUpdateLaneSources(step.data, {}, true);
        const auto& lanes = model.getLaneModel();
        EXPECT_EQ(std::vector<int>(lanes.begin(), lanes.end()), step.model)
            << step.data.join(',').toStdString();
        ASSERT_EQ(changed.count(), step.signalled ? 1 : 0);
        if (step.signalled) {
            EXPECT_EQ(changed[0][0].value<QList<SdiOutputGroupLaneMapModel::LaneSource>>(), lanes);
        }
    }
    EXPECT_EQ(log.lines(), std::vector<std::string>{
                               "Invalid lane datacore passed to IOGroupLaneModel, ignoring"});
}

}  // namespace
}  // namespace Corvane
