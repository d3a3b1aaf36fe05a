// The monitor against the real corvane-datacored serving its example: the
// window in-process, and the binary for its screenshot and command line.

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTreeView>

#include "DatacoreMonitor.h"
#include "DatacoreTreeModel.h"
#include "LaneMapWidget.h"
#include "MonitorWindow.h"
#include "ServedDatacoreTrees.h"
#include "client/ClientDatacore.h"
#include "client/ClientTestSupport.h"
#include "client/DatacoreStatusWidget.h"
#include "client/DatacoreValueText.h"
#include "datacore/DatacoreElements.h"
#include "datacore_cli/DatacoredProcess.h"
#include "packets/RawDataPacket.h"

using namespace Corvane;
using namespace Corvane::Testing;

namespace {

using Lane = SdiOutputGroupLaneMapModel::LaneSource;

// A link that passes everything the server says and loses the first
// `framesToLose` frames the client sends (all for -1), as a bad network
// would: changes it loses are never answered.
struct LossyRelay {
    LossyRelay(quint16 serverPort, int framesToLose) {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [=] {
            QTcpSocket* client = server_.nextPendingConnection();
            auto* upstream = new QTcpSocket(client);
            upstream->connectToHost(QHostAddress::LocalHost, serverPort);
            QObject::connect(upstream, &QTcpSocket::readyRead, client,
                             [client, upstream] { client->write(upstream->readAll()); });
            QObject::connect(client, &QTcpSocket::readyRead, client, [=] {
                buffer_ += client->readAll();
                while (framesLost != framesToLose) {
                    const RawDataPacket::Header h = RawDataPacket::peekHeader(buffer_);
                    if (buffer_.size() < RawDataPacket::headerSize ||
                        h.packetIdentifier == PacketIdentifier::incompleteMarker) {
                        return;
                    }
                    buffer_.remove(0, RawDataPacket::headerSize + h.payloadLength);
                    ++framesLost;
                }
                upstream->write(buffer_);
                buffer_.clear();
            });
        });
    }
    quint16 port() const { return server_.serverPort(); }

    QTcpServer server_;
    QByteArray buffer_;
    int framesLost = 0;
};

// Pixels within a small distance of `colour`, as antialiasing leaves them.
int pixelsNear(const QImage& image, const QRect& rect, QRgb colour) {
    int count = 0;
    const QRect area = rect & image.rect();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            count += qAbs(qRed(p) - qRed(colour)) + qAbs(qGreen(p) - qGreen(colour)) +
                         qAbs(qBlue(p) - qBlue(colour)) <
                     40;
        }
    }
    return count;
}

class MonitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(server_->port(), 0) << "corvane-datacored did not start";
        window_.show();
        monitor_.start();
        ASSERT_TRUE(waitUntil([this] { return model().isComplete(); }));
    }

    DatacoreTreeModel& model() { return monitor_.model(); }
    QModelIndex at(const QString& path, int column) { return model().indexOfPath(path, column); }
    QString value(const QString& path) {
        return at(path, DatacoreTreeModel::valueColumn).data().toString();
    }
    // Status widgets exist for the rows in view: the filter brings the row there.
    const DatacoreStatusWidget* statusWidget(const QString& path) {
        window_.setFilter(path);
        const DatacoreStatusWidget* widget = nullptr;
        waitUntil([&] {
            const QModelIndex cell =
                window_.proxy().mapFromSource(at(path, DatacoreTreeModel::statusColumn));
            widget = qobject_cast<const DatacoreStatusWidget*>(window_.view().indexWidget(cell));
            return widget != nullptr;
        });
        return widget;
    }
    int health(const QString& path) {
        return at(path, DatacoreTreeModel::statusColumn)
            .data(DatacoreTreeModel::healthRole)
            .toInt();
    }
    // The server's news that the datacore at `path` is valid now, as the
    // populator applies it (the server's own reasons are fixed by its file).
    void becomesValid(const QString& path) {
        ClientDatacore* datacore = model().datacoreAt(at(path, 0));
        ASSERT_NE(datacore, nullptr) << path.toStdString();
        QJsonObject json;
        std::list<DatacoreJsonMessage> messages;
        datacore->appendDataToJson("", json, false, false, messages);
        const QString name = datacore->getInstanceName();
        QJsonObject own = json[name].toObject();
        own[DatacoreValidStatusElement::key] = QJsonArray();
        json[name] = own;
        ASSERT_TRUE(datacore->populateDataFromJson("", json, false, messages));
    }
    QList<Lane> lanes(int group) { return window_.laneMaps().at(group)->laneMap().getLaneModel(); }
    // The data another client reads from the server.
    QJsonArray serverData(const QString& path) {
        const ProgramRun r =
            runProgram(CORVANE_DATACORE, {"--port", server_->portText(), "--json", "get", path});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return QJsonDocument::fromJson(QByteArray::fromStdString(r.out))["datacores"][0]["data"]
            .toArray();
    }

    std::unique_ptr<DatacoredProcess> server_ = std::make_unique<DatacoredProcess>();
    DatacoreMonitor monitor_{QStringLiteral("127.0.0.1"), server_->port()};
    MonitorWindow window_{monitor_};
};

TEST_F(MonitorTest, ShowsEveryDatacoreOfTheServerAsItHoldsIt) {
    QString error;
    const auto trees = ServedDatacoreTrees::fromFile(CORVANE_DATACORED_EXAMPLE, error);
    ASSERT_TRUE(trees) << error.toStdString();
    EXPECT_EQ(model().datacoreCount(), static_cast<int>(trees->nodes().size()));
    for (const DatacoreBase* node : trees->nodes()) {
        const QString path = node->getPath();
        SCOPED_TRACE(path.toStdString());
        ASSERT_TRUE(at(path, 0).isValid());
        const std::deque<QString>& data = node->getDataArray();
        EXPECT_EQ(value(path), joinValues(QStringList(data.begin(), data.end())));
        const auto text = [&](int column) { return at(path, column).data().toString(); };
        EXPECT_EQ(text(DatacoreTreeModel::validityColumn).startsWith("valid"), node->isValid());
        EXPECT_EQ(text(DatacoreTreeModel::activityColumn).startsWith("active"), node->isActive());
        // In sync: the icon's tool tip holds exactly the reasons for being
        // invalid, as the server read them from its file.
        std::list<DatacoreValidStatusMessage> reasons;
        node->isValid(reasons);
        QString toolTip;
        for (const auto& reason : reasons) {
            toolTip += "-> " + reason.getText();
        }
        const DatacoreStatusWidget* widget = statusWidget(path);
        ASSERT_NE(widget, nullptr);
        if (node->getChildren().empty()) {
            EXPECT_EQ(widget->getLabel().toolTip().toStdString(), toolTip.toStdString());
        } else {  // then what is invalid below
            EXPECT_TRUE(widget->getLabel().toolTip().startsWith(toolTip));
        }
    }
    ASSERT_EQ(window_.laneMaps().size(), 2);
    EXPECT_EQ(lanes(0), (QList<Lane>{Lane::generator, Lane::inputLoopThrough, Lane::ipReceiver,
                                     Lane::clipPlayer}));
    EXPECT_TRUE(window_.laneMaps()[0]->isGroupActive());
    EXPECT_FALSE(window_.laneMaps()[1]->isGroupActive());
    EXPECT_TRUE(window_.statusText().contains("connected | 80 datacores | 0 lost packets"))
        << window_.statusText().toStdString();
}

TEST_F(MonitorTest, ChangesTravelBetweenTheWindowAndTheServer) {
    // Typed in the window (else set by another client), and what the server
    // holds afterwards.
    const std::tuple<bool, const char*, const char*, QStringList> cases[] = {
        {true, "configCoreRouter/generator/pattern", "75% Colour Bars", {"75% Colour Bars"}},
        {true, "persistentConfigCoreRouter/instrument/name", "Bay 4\\, rack 2", {"Bay 4, rack 2"}},
        {true, "configCoreRouter/generator/audio/channelsEnabled", "1,2", {"1", "2"}},
        // The status tree is read-only: the answer brings the old value back.
        {true, "statusCoreRouter/system/fpgaVersion", "9.9.9", {"1.4.2+311"}},
        {false, "configCoreRouter/analyser/inputSelect", "sdi2", {"sdi2"}},
        {false, "configCoreRouter/output/group1/laneSources", "4,3,2,1", {"4", "3", "2", "1"}},
    };
    for (const auto& [inWindow, pathText, typed, held] : cases) {
        const QString path = QLatin1String(pathText);
        const QStringList data = held;  // for the lambda below
        SCOPED_TRACE(path.toStdString());
        const QModelIndex cell = at(path, DatacoreTreeModel::valueColumn);
        const DatacoreStatusWidget* widget = statusWidget(path);
        ASSERT_NE(widget, nullptr);
        if (inWindow) {
            ASSERT_TRUE(window_.proxy().setData(window_.proxy().mapFromSource(cell), typed));
            EXPECT_EQ(value(path), QLatin1String(typed));
            EXPECT_TRUE(widget->getLabel().toolTip().contains("Waiting for response"));
        } else {
            const ProgramRun r = runProgram(CORVANE_DATACORE, {"--port", server_->portText(), "set",
                                                               path + '=' + QLatin1String(typed)});
            ASSERT_EQ(r.exitCode, 0) << r.err;
        }
        EXPECT_TRUE(waitUntil([&] {
            return cell.data(DatacoreTreeModel::inSyncRole).toBool() &&
                   value(path) == joinValues(data);
        })) << value(path).toStdString();
        EXPECT_EQ(serverData(path), QJsonArray::fromStringList(held));
        EXPECT_TRUE(widget->getLabel().toolTip().isEmpty());
    }
    EXPECT_EQ(lanes(0), (QList<Lane>{Lane::clipPlayer, Lane::ipReceiver, Lane::inputLoopThrough,
                                     Lane::generator}));
    EXPECT_EQ(model().lostPackets(), 0);
}

TEST_F(MonitorTest, AFoldedBranchShowsTheWorstStateBelowItAsThatChanges) {
    const QString input = "statusCoreRouter/input";
    const QString sdi3 = input + "/sdi3";
    const auto reason = [&](const char* name) {
        return at(sdi3 + '/' + name, 0)
            .data(DatacoreTreeModel::invalidReasonsRole)
            .toStringList()
            .value(0);
    };
    window_.view().collapse(window_.proxy().mapFromSource(at(input, 0)));
    const DatacoreStatusWidget* widget = statusWidget(input);
    ASSERT_NE(widget, nullptr);
    ASSERT_FALSE(window_.view().isExpanded(window_.proxy().mapFromSource(at(input, 0))));
    // Inactivity is no fault: the configuration tree, with an inactive
    // datacore and nothing invalid, stays good.
    EXPECT_EQ(health("configCoreRouter"), DatacoreTreeModel::good);
    EXPECT_EQ(health("statusCoreRouter"), DatacoreTreeModel::invalid);

    // Validity as the server's news brings it, one datacore after another.
    const std::pair<const char*, QString> steps[] = {
        {nullptr, "-> 3 datacores below are invalid: sdi3/dataRate: " + reason("dataRate")},
        {"dataRate",
         "-> 2 datacores below are invalid: sdi3/detectedStandard: " + reason("detectedStandard")},
        {"detectedStandard",
         "-> 1 datacore below is invalid: sdi3/payloadIdentifier: " + reason("payloadIdentifier")},
        {"payloadIdentifier", ""},
    };
    for (const auto& [madeValid, toolTip] : steps) {
        SCOPED_TRACE(madeValid == nullptr ? "as served" : madeValid);
        if (madeValid != nullptr) {
            becomesValid(sdi3 + '/' + QLatin1String(madeValid));
        }
        const int shown = toolTip.isEmpty() ? DatacoreTreeModel::good : DatacoreTreeModel::invalid;
        for (const QString& above : {QString("statusCoreRouter"), input, sdi3}) {
            EXPECT_EQ(health(above), shown) << above.toStdString();
        }
        EXPECT_EQ(widget->getLabel().toolTip().toStdString(), toolTip.toStdString());
    }

    // A change on its way makes its branch wait until the server answers.
    const QString pattern = "configCoreRouter/generator/pattern";
    model().setData(at(pattern, DatacoreTreeModel::valueColumn), "Black");
    EXPECT_EQ(health("configCoreRouter"), DatacoreTreeModel::waiting);
    EXPECT_FALSE(at("configCoreRouter", 0).data(DatacoreTreeModel::branchInSyncRole).toBool());
    EXPECT_TRUE(waitUntil([&] { return health("configCoreRouter") == DatacoreTreeModel::good; }));
    EXPECT_EQ(value(pattern), "Black");
}

TEST_F(MonitorTest, ServerRestartEmptiesTheWindowAndFillsItAgain) {
    const quint16 port = server_->port();
    server_.reset();
    ASSERT_TRUE(waitUntil([this] { return monitor_.state() == DatacoreMonitor::State::lost; }));
    EXPECT_EQ(model().rowCount(), 0);
    EXPECT_TRUE(window_.laneMaps().isEmpty());
    EXPECT_TRUE(window_.statusText().contains("lost, retrying every second | 0 datacores"))
        << window_.statusText().toStdString();

    server_ = std::make_unique<DatacoredProcess>(port);
    ASSERT_EQ(server_->port(), port);
    ASSERT_TRUE(waitUntil([this] { return model().isComplete(); }));
    EXPECT_EQ(monitor_.state(), DatacoreMonitor::State::connected);
    EXPECT_EQ(model().datacoreCount(), 80);
    EXPECT_EQ(window_.laneMaps().size(), 2);
    EXPECT_NE(statusWidget("statusCoreRouter/input/sdi1/locked"), nullptr);
}

TEST(MonitorLostPackets, AnswerThatSkipsALostChangeIsCountedInTheStatusBar) {
    DatacoredProcess server;
    ASSERT_NE(server.port(), 0);
    LossyRelay relay(server.port(), 1);
    DatacoreMonitor monitor(QStringLiteral("127.0.0.1"), relay.port());
    MonitorWindow window(monitor);
    monitor.start();
    ASSERT_TRUE(waitUntil([&] { return monitor.model().isComplete(); }));
    const QModelIndex cell = monitor.model().indexOfPath("configCoreRouter/generator/pattern",
                                                         DatacoreTreeModel::valueColumn);
    // Two changes on their way at once; the first is lost, the answer to the
    // second reports both.
    monitor.model().setData(cell, "Black");
    monitor.model().setData(cell, "Pluge");
    EXPECT_TRUE(waitUntil([&] { return cell.data(DatacoreTreeModel::inSyncRole).toBool(); }));
    EXPECT_EQ(cell.data().toString(), "Pluge");
    EXPECT_EQ(relay.framesLost, 1);
    EXPECT_TRUE(window.statusText().endsWith("| 2 lost packets"))
        << window.statusText().toStdString();
}

TEST(MonitorProgram, ScreenshotIconsShowValidityAndSyncAndCommandLineFailsClearly) {
    DatacoredProcess server;
    ASSERT_NE(server.port(), 0);
    LossyRelay relay(server.port(), -1);
    QTemporaryDir dir;
    const QString png = dir.filePath("monitor.png");
    const QString geometry = dir.filePath("rows.json");
    const ProgramRun r =
        runProgram(CORVANE_MONITOR, {"--port", QString::number(relay.port()), "--screenshot", png,
                                     "--geometry-json", geometry, "--filter", "input/sdi3", "--set",
                                     "statusCoreRouter/input/sdi3/signalPresent=true"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(relay.framesLost, 1);  // the change did go out

    QFile file(geometry);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QMap<QString, QRect> icons;
    for (const QJsonValue row : QJsonDocument::fromJson(file.readAll())["rows"].toArray()) {
        const QJsonArray r = row["status"].toArray();
        icons.insert(row["path"].toString(),
                     QRect(r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toInt()));
    }
    const QImage image(png);
    ASSERT_FALSE(image.isNull());
    const QRgb colours[] = {DatacoreStatusColours::good, DatacoreStatusColours::warning,
                            DatacoreStatusColours::error};
    const std::pair<const char*, QRgb> rows[] = {
        {"statusCoreRouter/input/sdi3/dataRate", DatacoreStatusColours::error},
        {"statusCoreRouter/input/sdi3/signalPresent", DatacoreStatusColours::warning},
        {"statusCoreRouter/input/sdi3/locked", DatacoreStatusColours::good},
        // A branch shows the worst below it, however far up.
        {"statusCoreRouter/input/sdi3", DatacoreStatusColours::error},
        {"statusCoreRouter", DatacoreStatusColours::error},
    };
    for (const auto& [path, shown] : rows) {
        ASSERT_TRUE(icons.contains(path)) << path;
        for (const QRgb colour : colours) {
            const int n = pixelsNear(image, icons.value(path), colour);
            EXPECT_EQ(n > 20, colour == shown)
                << path << " " << std::hex << colour << std::dec << ": " << n << " pixels";
        }
    }

    // The command line, against the same server.
    const QString unwritten = dir.filePath("x.png");
    const QString nobody = QString::number(ScriptedServer().port());  // closed again
    const std::tuple<QStringList, int, const char*> cases[] = {
        {{"--help"}, 0, "--geometry-json"},
        {{"--port", "70000"}, 2, "--port: '70000' is not a port"},
        {{"--after", "5"}, 2, "--after needs --screenshot"},
        {{"--set", "=1"}, 2, "'=1' is not PATH=VALUE"},
        {{"extra"}, 2, "unexpected argument 'extra'"},
        {{"--port", server.portText(), "--screenshot", unwritten, "--set", "no/such=1"},
         1,
         "the server has no datacore 'no/such'"},
        {{"--port", nobody, "--screenshot", unwritten, "--after", "300", "--set", "a/b=1"},
         1,
         "no complete state"},
    };
    for (const auto& [arguments, exitCode, said] : cases) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        expectRun(runProgram(CORVANE_MONITOR, arguments), exitCode, said);
    }
    EXPECT_FALSE(QFile::exists(unwritten));
}

}  // namespace
