#include "client/ClientDatacore.h"
#include "client/ClientDatacoreMonitor.h"
#include "client/ClientDatacoreRegistry.h"
#include "client/NetworkConnection.h"
#include "client/SdiOutputGroupLaneMapModel.h"
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
        {[](ClientDatacore& d) {
             d.setDataStringList({"a", "", "c"});
         },
         {"a", "", "c"}},
        {[](ClientDatacore& d) { d.setDataBool(false); }, {"false"}},
        {[](ClientDatacore& d) { d.setDataInt16(-32768); }, {"-32768"}},
        {[](ClientDatacore& d) { d.setDataUint(4294967295u); }, {"4294967295"}},
        {[](ClientDatacore& d) { d.setDataInt64(std::numeric_limits<int64_t>::min()); },
         {"-9223372036854775808"}},
        {[](ClientDatacore& d) {
             d.setDataIntList({3, -1, 0});
         },
         {"3", "-1", "0"}},
        {[](ClientDatacore& d) {
             d.setDataUint64List({0, 18446744073709551615u});
         },
         {"0", "18446744073709551615"}},
        {[](ClientDatacore& d) { d.setDataInt64List({}); }, {}},
        {[](ClientDatacore& d) { d.setDataDouble(0.1); }, {"0.10000000000000000555"}},
        {[](ClientDatacore& d) { d.setDataFloat(0.1f); }, {"0.10000000149011611938"}},
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

        registry.onDisconnectedFromServer();
        EXPECT_TRUE(registry.isEmpty());
        EXPECT_EQ(cleared.count(), 1);
    }
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
