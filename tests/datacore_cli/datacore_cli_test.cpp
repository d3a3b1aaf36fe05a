// corvane-datacore against the real corvane-datacored serving its example,
// both on loopback.

#include <gtest/gtest.h>
#include <signal.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>

#include "DatacoredProcess.h"

using namespace Corvane::Testing;

namespace {

// corvane-datacore; `onFirstLine` runs once it has printed its first line.
ProgramRun runTool(const QStringList& args,
                   const std::function<void(QProcess&)>& onFirstLine = {}) {
    return runProgram(QStringLiteral(CORVANE_DATACORE), args, onFirstLine);
}

// The example's paths as a client lists them: trees in the order
// configuration, status, command, persistent configuration; each node
// before its children, children in name order.
QStringList examplePaths() {
    QFile file(QStringLiteral(CORVANE_DATACORED_EXAMPLE));
    file.open(QIODevice::ReadOnly);
    const QJsonObject trees = QJsonDocument::fromJson(file.readAll()).object();
    const QStringList elementKeys{"class", "data", "reasonsForBeingInvalid",
                                  "reasonsForBeingInactive"};
    QStringList paths;
    std::function<void(const QJsonObject&, const QString&)> walk = [&](const QJsonObject& node,
                                                                       const QString& path) {
        paths.append(path);
        for (auto it = node.begin(); it != node.end(); ++it) {
            if (!elementKeys.contains(it.key())) {
                walk(it.value().toObject(), path + "/" + it.key());
            }
        }
    };
    for (const char* root : {"configCoreRouter", "statusCoreRouter", "commandCoreRouter",
                             "persistentConfigCoreRouter"}) {
        walk(trees.value(root).toObject(), root);
    }
    return paths;
}

class DatacoreTool : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(server.port(), 0) << "corvane-datacored did not start"; }

    ProgramRun run(QStringList args, const std::function<void(QProcess&)>& onFirstLine = {}) {
        return runTool(QStringList{"--port", server.portText()} + args, onFirstLine);
    }

    DatacoredProcess server;
};

// Run by run: every path of the example, reads, then writes, and another
// client reading them back (one value with a comma in it, and a list).
TEST_F(DatacoreTool, PrintsPathsDataValidityAndActivity) {
    const QStringList paths = examplePaths();
    ASSERT_GT(paths.size(), 4);
    const QString sdi = "statusCoreRouter/input/sdi",
                  pattern = "configCoreRouter/generator/pattern",
                  lanes = "configCoreRouter/output/group1/laneSources";
    const std::pair<QStringList, std::string> runs[] = {
        {{"paths"}, (paths.join('\n') + "\n").toStdString()},
        {{"get", sdi + "1/detectedStandard", sdi + "3/detectedStandard", sdi + "3/crcErrors",
          lanes},
         "statusCoreRouter/input/sdi1/detectedStandard = 1920x1080p50 YCbCr:422:10 3G A Rec.709 "
         "[valid, active]\n"
         "statusCoreRouter/input/sdi3/detectedStandard =  [invalid, active]\n"
         "    Stored value could not be deserialised into type VideoStandard.\n"
         "statusCoreRouter/input/sdi3/crcErrors = 0 [valid, inactive]\n"
         "configCoreRouter/output/group1/laneSources = 1,2,3,4 [valid, active]\n"},
        {{"--json", "get", sdi + "3/detectedStandard"},
         "{\"datacores\":[{\"active\":true,\"data\":[\"\"],\"inSync\":true,\"lostPackets\":0,"
         "\"messages\":[\"Stored value could not be deserialised into type VideoStandard.\"],"
         "\"path\":\"statusCoreRouter/input/sdi3/detectedStandard\",\"valid\":false}]}\n"},
        {{"set", pattern + "=Ramp\\, full", lanes + "=4,3,2,1"},
         "configCoreRouter/generator/pattern = Ramp\\, full [valid, active, lost packets: 0]\n"
         "configCoreRouter/output/group1/laneSources = 4,3,2,1 [valid, active, lost packets: 0]\n"},
        {{"get", pattern, lanes},
         "configCoreRouter/generator/pattern = Ramp\\, full [valid, active]\n"
         "configCoreRouter/output/group1/laneSources = 4,3,2,1 [valid, active]\n"},
    };
    for (const auto& [args, out] : runs) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const ProgramRun r = run(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, out);
    }
    const ProgramRun json = run({"--json", "paths"});
    EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(json.out))["paths"].toArray(),
              QJsonArray::fromStringList(paths));
}

TEST_F(DatacoreTool, WatchFollowsAnotherClientsChangesUntilCountOrSignal) {
    const QString path = "configCoreRouter/generator/audio/levelDbfs";
    ProgramRun setter;
    const ProgramRun watch = run({"--json", "watch", path, "--count", "2"}, [&](QProcess&) {
        setter = run({"set", path + "=-20"});
        run({"set", path + "=-12"});
    });
    ASSERT_EQ(setter.exitCode, 0) << setter.err;
    ASSERT_EQ(watch.exitCode, 0) << watch.err;
    QStringList data;
    for (const QString& line : QString::fromStdString(watch.out).split('\n', Qt::SkipEmptyParts)) {
        data.append(
            QJsonDocument::fromJson(line.toUtf8()).object()["data"].toArray()[0].toString());
    }
    // The current state first, then one line per update.
    EXPECT_EQ(data, (QStringList{"-18", "-20", "-12"}));

    const ProgramRun stopped = run({"watch", path}, [](QProcess& tool) {
        ::kill(static_cast<pid_t>(tool.processId()), SIGTERM);
    });
    EXPECT_EQ(stopped.exitCode, 0) << stopped.err;
    EXPECT_EQ(stopped.out, (path + " = -12 [valid, active]\n").toStdString());
}

TEST_F(DatacoreTool, Failures) {
    // A server that answers with a frame header claiming 2 GiB, then nothing.
    QTcpServer hostile;
    ASSERT_TRUE(hostile.listen(QHostAddress::LocalHost, 0));
    QObject::connect(&hostile, &QTcpServer::newConnection, [&] {
        hostile.nextPendingConnection()->write(QByteArray::fromHex("1010000080000000"));
    });
    QTcpServer gone;
    ASSERT_TRUE(gone.listen(QHostAddress::LocalHost, 0));
    const QString closedPort = QString::number(gone.serverPort());
    gone.close();
    const QString port = server.portText(), sdi9 = "statusCoreRouter/input/sdi9";
    const QString fan = "statusCoreRouter/system/fanSpeedRpm";
    const std::string hostileAt = "127.0.0.1:" + std::to_string(hostile.serverPort());
    const std::tuple<QStringList, int, std::string> cases[] = {
        {{"--port", closedPort, "paths"}, 1, "cannot connect to"},
        {{"--port", port, "get", sdi9}, 1, "has no datacore 'statusCoreRouter/input/sdi9'"},
        {{"--port", port, "set", fan + "=0"},
         1,
         "kept statusCoreRouter/system/fanSpeedRpm at 3120"},
        {{"--port", port, "watch", fan}, 1, "closed the connection"},
        {{"--port", QString::number(hostile.serverPort()), "--timeout", "300", "paths"},
         1,
         "no datacore paths from " + hostileAt + " within 300 ms"},
        {{}, 2, "no command given"},
        {{"list"}, 2, "unknown command 'list'"},
        {{"get"}, 2, "usage: corvane-datacore get PATH..."},
        {{"set", "configCoreRouter"}, 2, "'configCoreRouter' is not PATH=VALUE"},
        {{"set", "=1"}, 2, "'=1' names no datacore"},
        {{"get", "a", "--count", "1"}, 2, "--count belongs to watch"},
        {{"watch", "a", "--count", "0"}, 2, "--count: '0' is not a positive number"},
        {{"--port", "70000", "paths"}, 2, "--port: '70000' is not a port"},
        {{"--timeout", "soon", "paths"}, 2, "--timeout: 'soon'"},
        {{"--colour", "paths"}, 2, "Unknown option 'colour'"},
    };
    for (const auto& [args, exitCode, text] : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        // A watch under way loses its server once it printed the state.
        const ProgramRun r = runTool(args, [this, watch = args.contains("watch")](QProcess&) {
            if (watch) {
                server.kill();
            }
        });
        expectToolRun(r, exitCode, text);
    }
}

}  // namespace
