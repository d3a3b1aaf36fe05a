// corvane-datacore against the real corvane-datacored serving its example,
// both on loopback.

#include <gtest/gtest.h>
#include <signal.h>

#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <functional>

#include "DatacoredProcess.h"

using Corvane::Testing::DatacoredProcess;

namespace {

struct ToolRun {
    int exitCode = -1;  // -1 when it crashed or did not finish
    QString out;
    QString err;
};

// Runs corvane-datacore to its end with the event loop going, so that a
// server in this process keeps serving. `onFirstLine` runs once the tool
// has printed its first line.
ToolRun runTool(const QStringList& args, const std::function<void(QProcess&)>& onFirstLine = {}) {
    QProcess tool;
    QEventLoop loop;
    QObject::connect(&tool, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), &loop,
                     &QEventLoop::quit);
    if (onFirstLine) {
        QObject::connect(&tool, &QProcess::readyReadStandardOutput, &loop, [&] {
            if (tool.canReadLine() && tool.property("seen").isNull()) {
                tool.setProperty("seen", true);
                onFirstLine(tool);
            }
        });
    }
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    tool.start(QStringLiteral(CORVANE_DATACORE), args);
    loop.exec();
    if (tool.state() != QProcess::NotRunning) {
        ADD_FAILURE() << "corvane-datacore " << args.join(' ').toStdString() << " did not end";
        tool.kill();
        tool.waitForFinished();
        return {};
    }
    return {tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1,
            QString::fromUtf8(tool.readAllStandardOutput()),
            QString::fromUtf8(tool.readAllStandardError())};
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

    ToolRun run(QStringList args, const std::function<void(QProcess&)>& onFirstLine = {}) {
        return runTool(QStringList{"--port", server.portText()} + args, onFirstLine);
    }

    DatacoredProcess server;
};

TEST_F(DatacoreTool, PathsListEveryNodeOfTheExampleInClientOrder) {
    const QStringList expected = examplePaths();
    ASSERT_GT(expected.size(), 4);
    const ToolRun text = run({"paths"});
    ASSERT_EQ(text.exitCode, 0) << text.err.toStdString();
    EXPECT_EQ(text.out, expected.join('\n') + "\n");

    const ToolRun json = run({"--json", "paths"});
    EXPECT_EQ(QJsonDocument::fromJson(json.out.toUtf8())["paths"].toArray(),
              QJsonArray::fromStringList(expected));
}

TEST_F(DatacoreTool, GetPrintsDataValidityAndActivity) {
    const QStringList paths{"statusCoreRouter/input/sdi1/detectedStandard",
                            "statusCoreRouter/input/sdi3/detectedStandard",
                            "statusCoreRouter/input/sdi3/crcErrors",
                            "configCoreRouter/output/group1/laneSources"};
    const ToolRun text = run(QStringList{"get"} + paths);
    ASSERT_EQ(text.exitCode, 0) << text.err.toStdString();
    EXPECT_EQ(text.out,
              "statusCoreRouter/input/sdi1/detectedStandard = 1920x1080p50 YCbCr:422:10 3G A "
              "Rec.709 [valid, active]\n"
              "statusCoreRouter/input/sdi3/detectedStandard =  [invalid, active]\n"
              "    Stored value could not be deserialised into type VideoStandard.\n"
              "statusCoreRouter/input/sdi3/crcErrors = 0 [valid, inactive]\n"
              "configCoreRouter/output/group1/laneSources = 1,2,3,4 [valid, active]\n");

    const ToolRun json = run(QStringList{"--json", "get"} + paths.mid(1, 1));
    EXPECT_EQ(json.out.toStdString(),
              "{\"datacores\":[{\"active\":true,\"data\":[\"\"],\"inSync\":true,\"lostPackets\":0,"
              "\"messages\":[\"Stored value could not be deserialised into type VideoStandard.\"],"
              "\"path\":\"statusCoreRouter/input/sdi3/detectedStandard\",\"valid\":false}]}\n");
}

TEST_F(DatacoreTool, SetReachesTheServerAndOtherClients) {
    const ToolRun set = run({"set", "configCoreRouter/generator/pattern=Ramp\\, full",
                             "configCoreRouter/output/group1/laneSources=4,3,2,1"});
    ASSERT_EQ(set.exitCode, 0) << set.err.toStdString();
    EXPECT_EQ(set.out,
              "configCoreRouter/generator/pattern = Ramp\\, full [valid, active, lost packets: 0]\n"
              "configCoreRouter/output/group1/laneSources = 4,3,2,1 [valid, active, lost "
              "packets: 0]\n");

    // Another client sees one value with a comma in it, and a list.
    const ToolRun get = run({"get", "configCoreRouter/generator/pattern",
                             "configCoreRouter/output/group1/laneSources"});
    EXPECT_EQ(get.out,
              "configCoreRouter/generator/pattern = Ramp\\, full [valid, active]\n"
              "configCoreRouter/output/group1/laneSources = 4,3,2,1 [valid, active]\n");
}

TEST_F(DatacoreTool, WatchFollowsAnotherClientsChangesUntilCountOrSignal) {
    const QString path = "configCoreRouter/generator/audio/levelDbfs";
    ToolRun setter;
    const ToolRun watch = run({"--json", "watch", path, "--count", "2"}, [&](QProcess&) {
        setter = run({"set", path + "=-20"});
        run({"set", path + "=-12"});
    });
    ASSERT_EQ(setter.exitCode, 0) << setter.err.toStdString();
    ASSERT_EQ(watch.exitCode, 0) << watch.err.toStdString();
    QStringList data;
    for (const QString& line : watch.out.split('\n', Qt::SkipEmptyParts)) {
        data.append(
            QJsonDocument::fromJson(line.toUtf8()).object()["data"].toArray()[0].toString());
    }
    // The current state first, then one line per update.
    EXPECT_EQ(data, (QStringList{"-18", "-20", "-12"}));

    const ToolRun stopped = run({"watch", path}, [](QProcess& tool) {
        ::kill(static_cast<pid_t>(tool.processId()), SIGTERM);
    });
    EXPECT_EQ(stopped.exitCode, 0) << stopped.err.toStdString();
    EXPECT_EQ(stopped.out, path + " = -12 [valid, active]\n");
}

TEST_F(DatacoreTool, FailuresAreOneLineOnStderr) {
    // A server that answers with a frame header claiming 2 GiB, then nothing.
    QTcpServer hostile;
    ASSERT_TRUE(hostile.listen(QHostAddress::LocalHost, 0));
    QObject::connect(&hostile, &QTcpServer::newConnection, [&] {
        hostile.nextPendingConnection()->write(QByteArray::fromHex("1010000080000000"));
    });
    quint16 closedPort = 0;
    {
        QTcpServer gone;
        gone.listen(QHostAddress::LocalHost, 0);
        closedPort = gone.serverPort();
    }
    const QString port = server.portText();
    struct Case {
        QStringList args;
        int exitCode;
        QString text;
        bool killServerOnFirstLine;
    };
    const Case cases[] = {
        {{"--port", QString::number(closedPort), "paths"}, 1, "cannot connect to", false},
        {{"--port", port, "get", "statusCoreRouter/input/sdi9"},
         1,
         "has no datacore 'statusCoreRouter/input/sdi9'",
         false},
        {{"--port", port, "set", "statusCoreRouter/system/fanSpeedRpm=0"},
         1,
         "kept statusCoreRouter/system/fanSpeedRpm at 3120",
         false},
        {{"--port", port, "watch", "statusCoreRouter/system/fanSpeedRpm"},
         1,
         "closed the connection",
         true},
        {{"--port", QString::number(hostile.serverPort()), "--timeout", "300", "paths"},
         1,
         "no datacore paths from 127.0.0.1:" + QString::number(hostile.serverPort()) +
             " within 300 ms",
         false},
        {{}, 2, "no command given", false},
        {{"list"}, 2, "unknown command 'list'", false},
        {{"get"}, 2, "usage: corvane-datacore get PATH...", false},
        {{"set", "configCoreRouter"}, 2, "'configCoreRouter' is not PATH=VALUE", false},
        {{"set", "=1"}, 2, "'=1' names no datacore", false},
        {{"get", "a", "--count", "1"}, 2, "--count belongs to watch", false},
        {{"watch", "a", "--count", "0"}, 2, "--count: '0' is not a positive number", false},
        {{"--port", "70000", "paths"}, 2, "--port: '70000' is not a port", false},
        {{"--timeout", "soon", "paths"}, 2, "--timeout: 'soon'", false},
        {{"--colour", "paths"}, 2, "Unknown option 'colour'", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const ToolRun r = runTool(c.args, [&](QProcess&) {
            if (c.killServerOnFirstLine) {
                server.kill();
            }
        });
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
        EXPECT_TRUE(r.err.startsWith("corvane-datacore: ")) << r.err.toStdString();
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.text)) << r.err.toStdString();
    }
}

}  // namespace
