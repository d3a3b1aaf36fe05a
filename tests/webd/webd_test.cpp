// corvane-webd as a client sees it: real programs on loopback, the datacore
// server on its example, requests written and read as raw HTTP.

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>
#include <functional>
#include <map>
#include <memory>

#include "../datacore_cli/DatacoredProcess.h"
#include "../support/ProgramRun.h"
#include "status/HttpCommon.h"

namespace Corvane::Testing {
namespace {

const QString binDir = QStringLiteral(CORVANE_BIN_DIR);
const char* const sdi1Locked = "statusCoreRouter/input/sdi1/locked";
const char* const standard = "configCoreRouter/generator/standard";

quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

struct Answer {
    int status = 0;
    QByteArray reason;
    std::map<QByteArray, QByteArray> headers;  // names in lower case
    QByteArray body;
    QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
    QByteArray header(const char* name) const {
        const auto found = headers.find(name);
        return found == headers.end() ? QByteArray() : found->second;
    }
};

QByteArray requestText(const QByteArray& method, const QByteArray& target, const QByteArray& body,
                       const std::vector<QByteArray>& headers) {
    QByteArray text = method + " " + target + " HTTP/1.1\r\nHost: test\r\nConnection: close\r\n";
    for (const QByteArray& h : headers) {
        text += h + "\r\n";
    }
    if (!body.isEmpty() || method == "PUT") {
        text += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    }
    return text + "\r\n" + body;
}

// One request on its own connection, answered once the server closes it.
Answer request(quint16 port, const QByteArray& method, const QByteArray& target,
               const QByteArray& body = {}, const std::vector<QByteArray>& headers = {},
               const QString& host = QStringLiteral("127.0.0.1")) {
    QTcpSocket socket;
    socket.connectToHost(host, port);
    if (!socket.waitForConnected(5000)) {
        return {};
    }
    socket.write(requestText(method, target, body, headers));
    QByteArray raw;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(10000)) {
        raw += socket.readAll();
    }
    raw += socket.readAll();
    Answer answer;
    const int end = raw.indexOf("\r\n\r\n");
    if (end < 0) {
        return answer;
    }
    QList<QByteArray> lines = raw.left(end).split('\n');
    const QList<QByteArray> status = lines.takeFirst().trimmed().split(' ');
    answer.status = status.value(1).toInt();
    answer.reason = status.mid(2).join(' ');
    for (const QByteArray& line : lines) {
        const int colon = line.indexOf(':');
        answer.headers[line.left(colon).trimmed().toLower()] = line.mid(colon + 1).trimmed();
    }
    answer.body = raw.mid(end + 4);
    return answer;
}

Answer get(quint16 port, const QByteArray& target) {
    return request(port, "GET", target);
}

Answer put(quint16 port, const QByteArray& path, const QByteArray& body,
           std::vector<QByteArray> headers = {"Content-Type: application/json"}) {
    return request(port, "PUT", "/api/v1/datacores/" + path, body, headers);
}

// An event stream, read as it comes.
class EventStream {
public:
    EventStream(quint16 port, const QByteArray& target, const QByteArray& lastEventId = {}) {
        socket_.connectToHost(QStringLiteral("127.0.0.1"), port);
        socket_.waitForConnected(5000);
        socket_.write(requestText("GET", target, {},
                                  lastEventId.isEmpty()
                                      ? std::vector<QByteArray>{}
                                      : std::vector<QByteArray>{"Last-Event-ID: " + lastEventId}));
    }
    // Waits until what arrived since the last call holds `text`; returns
    // all of that: the head as sent, the body without its chunk framing.
    QByteArray waitFor(const QByteArray& text, int ms = 10000) {
        QDeadlineTimer deadline(ms);
        // An event loop run meanwhile (runProgram's) may have read for us.
        take();
        while (!unread_.contains(text) && !deadline.hasExpired()) {
            if (socket_.waitForReadyRead(
                    static_cast<int>(std::max<qint64>(1, deadline.remainingTime())))) {
                take();
            } else if (socket_.state() != QAbstractSocket::ConnectedState) {
                break;
            }
        }
        const int at = unread_.indexOf(text);
        if (at < 0) {
            ADD_FAILURE() << "no " << text.left(80).toStdString() << " in (the last 300 bytes) "
                          << unread_.right(300).toStdString();
            return {};
        }
        const int end = unread_.indexOf("\n\n", at);
        const QByteArray seen = unread_.left(end < 0 ? unread_.size() : end + 2);
        unread_.remove(0, seen.size());
        return seen;
    }

private:
    void take() {
        raw_ += socket_.readAll();
        if (!headRead_) {
            const int end = raw_.indexOf("\r\n\r\n");
            if (end < 0) {
                return;
            }
            headRead_ = true;
            chunked_ = raw_.left(end).toLower().contains("transfer-encoding: chunked");
            unread_ += raw_.left(end + 4);
            raw_.remove(0, end + 4);
        }
        if (!chunked_) {
            unread_ += raw_;
            raw_.clear();
            return;
        }
        for (int line; (line = raw_.indexOf("\r\n")) >= 0;) {
            const int size = raw_.left(line).toInt(nullptr, 16);
            if (raw_.size() < line + 2 + size + 2) {
                return;
            }
            unread_ += raw_.mid(line + 2, size);
            raw_.remove(0, line + 2 + size + 2);
        }
    }

    QTcpSocket socket_;
    QByteArray raw_;  // not yet taken apart
    QByteArray unread_;
    bool headRead_ = false;
    bool chunked_ = false;
};

// The last "id: N" of `events`.
QByteArray lastId(const QByteArray& events) {
    const int at = events.lastIndexOf("id: ");
    return events.mid(at + 4, events.indexOf('\n', at) - at - 4);
}

class Webd {
public:
    // `wrapper`: a program and its options that run webd after "--".
    explicit Webd(quint16 datacorePort, const QStringList& extra = {},
                  const QStringList& wrapper = {})
        : program_(
              wrapper.isEmpty() ? binDir + "/corvane-webd" : wrapper.front(),
              (wrapper.isEmpty() ? QStringList{}
                                 : wrapper.mid(1) + QStringList{"--", binDir + "/corvane-webd"}) +
                  QStringList{"--port", "0", "--datacore",
                              QStringLiteral("127.0.0.1:%1").arg(datacorePort)} +
                  extra,
              QRegularExpression(QStringLiteral("serving on [^ ]+:(\\d+)\\n"))) {}
    quint16 port() const { return program_.captured().toUShort(); }
    // Until the datacores have arrived: false when they did not in 10 s.
    bool waitUntilServing() const {
        for (int i = 0; i < 100; ++i) {
            if (get(port(), "/api/v1/datacores").status == 200) {
                return true;
            }
            QThread::msleep(100);
        }
        return false;
    }

private:
    RunningProgram program_;
};

ProgramRun datacoreTool(quint16 port, const QStringList& args) {
    return runProgram(binDir + "/corvane-datacore",
                      QStringList{"--port", QString::number(port)} + args);
}

class WebdTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        datacored_ = new DatacoredProcess();
        webd_ = new Webd(datacored_->port());
        ASSERT_TRUE(webd_->waitUntilServing());
    }
    static void TearDownTestSuite() {
        delete webd_;
        delete datacored_;
    }
    static quint16 port() { return webd_->port(); }
    static inline DatacoredProcess* datacored_ = nullptr;
    static inline Webd* webd_ = nullptr;
};

// What every answer carries, whatever it is.
void expectConventions(const Answer& a, const std::string& what) {
    SCOPED_TRACE(what);
    const QDateTime date = QLocale::c().toDateTime(
        QString::fromLatin1(a.header("date")), QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'"));
    EXPECT_TRUE(date.isValid()) << a.header("date").toStdString();
    EXPECT_EQ(a.header("access-control-allow-origin"), "*");
    if (const char* phrase =
            HTTP::getMessageForStatusCode(static_cast<HTTP::StatusCode>(a.status))) {
        EXPECT_EQ(a.reason, phrase);
    }
    if (a.status >= 400 && a.status != 409) {  // a 409 carries the datacore kept
        const QJsonObject e = a.json();
        EXPECT_EQ(a.header("content-type"), "application/json");
        EXPECT_EQ(e.value("code").toInt(), a.status);
        EXPECT_FALSE(e.value("error").toString().isEmpty());
        EXPECT_TRUE(e.contains("debug") && e.value("debug").isNull());
    }
}

TEST_F(WebdTest, ResourcesAnswerWithTheirDocuments) {
    struct Case {
        QByteArray target;
        int status;
        std::function<void(const QJsonObject&)> check;
    };
    const auto count = [](const char* key, int n) {
        return [key, n](const QJsonObject& o) { EXPECT_EQ(o.value(key).toArray().size(), n); };
    };
    const Case cases[] = {
        {"/api/v1", 200,
         [](const QJsonObject& o) {
             EXPECT_TRUE(o.value("connected").toBool());
             EXPECT_GT(o.value("datacores").toInt(), 50);
             EXPECT_EQ(o.value("lostPackets").toInt(), 0);
             EXPECT_TRUE(o.value("datacoreServer").toString().startsWith("127.0.0.1:"));
         }},
        {"/api/v1/", 200, {}},
        {"/api/v1/datacores?prefix=statusCoreRouter/input/sdi3", 200, count("datacores", 8)},
        {"/api/v1/datacores/?prefix=statusCoreRouter%2Finput%2Fsdi3", 200, count("datacores", 8)},
        {"/api/v1/datacores?prefix=statusCoreRouter/input/sdi", 200, count("datacores", 0)},
        {"/api/v1/datacores/statusCoreRouter/input/sdi3/payloadIdentifier/", 200,
         [](const QJsonObject& o) {
             EXPECT_FALSE(o.value("valid").toBool());
             EXPECT_EQ(o.value("messages").toArray().size(), 1);
         }},
        {"/api/v1/datacores/statusCoreRouter/input%2Fsdi1", 200, {}},
        {"/api/v1/datacores/statusCoreRouter/nothing", 404, {}},
        {"/api/v1/datacores/a%00b", 400, {}},
        {"/api/v1/datacores/a%zzb", 400, {}},
        {"/api/v1/datacores/a%C3", 400, {}},
        {"/api/v1/datacores?prefix=%", 400, {}},
        {"/api/v1/inputs", 200,
         [](const QJsonObject& o) {
             const QJsonArray inputs = o.value("inputs").toArray();
             ASSERT_EQ(inputs.size(), 4);
             EXPECT_EQ(inputs[2].toObject().value("name").toString(), "sdi3");
             // No signal, no valid identifier: no lanes.
             EXPECT_TRUE(inputs[2]["status"]["LaneStatusArray"].toArray().isEmpty());
             const QJsonObject lane = inputs[0]["status"]["LaneStatusArray"][0].toObject();
             EXPECT_EQ(lane.value("TotalHorizontalPixels").toString(), "2640");
             EXPECT_EQ(lane.value("ActiveVerticalPixelsField2").toString(), "progressive");
             EXPECT_TRUE(lane.value("IsStableFlag").toBool());
             EXPECT_TRUE(lane.value("Smpte352PacketLinkAchannelYpositionDetectedFlag").toBool());
             EXPECT_EQ(lane.value("Smpte352PacketLinkAchannelYPosition").toString(),
                       "1920x1080p50 YCbCr:422:10 3G A Rec.709");
         }},
        {"/api/v1/inputs/sdi2", 200,
         [](const QJsonObject& o) {
             const QJsonObject lane = o["status"]["LaneStatusArray"][0].toObject();
             EXPECT_EQ(lane.value("TotalVerticalPixelsProgressiveOrField1").toString(), "563");
             EXPECT_EQ(lane.value("TotalVerticalPixelsField2").toString(), "562");
             EXPECT_FALSE(lane.value("IsProgressiveFlag").toBool());
         }},
        {"/api/v1/inputs/sdi9", 404, {}},
        {"/api/v1/versions", 200, count("versions", 11)},
        {"/api/v1/nothing", 404, {}},
        {"/page/nothing", 404, {}},  // "/" is the web page
    };
    for (const Case& c : cases) {
        const Answer a = get(port(), c.target);
        SCOPED_TRACE(c.target.toStdString());
        EXPECT_EQ(a.status, c.status) << a.body.toStdString();
        expectConventions(a, c.target.toStdString());
        if (c.status == 200) {
            EXPECT_EQ(a.header("content-type"), "application/json");
        }
        if (c.check) {
            c.check(a.json());
        }
    }
}

TEST_F(WebdTest, ADatacoreIsWhatTheCommandLineClientPrints) {
    const ProgramRun run = datacoreTool(datacored_->port(), {"--json", "get", sdi1Locked});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const QJsonObject printed =
        QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
    EXPECT_EQ(get(port(), QByteArray("/api/v1/datacores/") + sdi1Locked).json(),
              printed["datacores"][0].toObject());
}

TEST_F(WebdTest, MethodsAreAnsweredWithWhatIsAllowed) {
    struct Case {
        QByteArray method, target;
        int status;
        QByteArray allow;
    };
    const Case cases[] = {
        {"OPTIONS", "/api/v1/datacores/x", 204, "GET, PUT, OPTIONS"},
        {"OPTIONS", "/api/v1/sensors", 204, "GET, OPTIONS"},
        {"DELETE", "/api/v1/datacores/x", 405, "GET, PUT, OPTIONS"},
        {"PUT", "/api/v1/versions", 405, "GET, OPTIONS"},
        {"POST", "/metrics", 405, "GET, OPTIONS"},
    };
    for (const Case& c : cases) {
        const Answer a = request(port(), c.method, c.target);
        SCOPED_TRACE((c.method + " " + c.target).toStdString());
        EXPECT_EQ(a.status, c.status);
        EXPECT_EQ(a.header("allow"), c.allow);
        expectConventions(a, c.target.toStdString());
        if (c.status == 204) {
            EXPECT_EQ(a.header("access-control-allow-methods"), c.allow);
            EXPECT_TRUE(a.header("access-control-allow-headers").contains("Content-Type"));
        }
    }
}

TEST_F(WebdTest, PutsAreAppliedOrRefusedWithTheReason) {
    const QByteArray json = "Content-Type: application/json; charset=utf-8";
    struct Case {
        QByteArray path, body;
        std::vector<QByteArray> headers;
        int status;
        QJsonArray data;  // of the answer's datacore, for 200 and 409
    };
    const Case cases[] = {
        {standard, R"({"data": "1080i50"})", {json}, 200, {"1080i50"}},
        {"configCoreRouter/generator/audio/channelsEnabled",
         R"({"data": ["1", "2"]})",
         {json},
         200,
         {"1", "2"}},
        {sdi1Locked, R"({"data": "false"})", {json}, 409, {"true"}},
        {standard, R"({"data": 5})", {json}, 400, {}},
        {standard, R"({"data": ["a", 1]})", {json}, 400, {}},
        {standard, R"({"data": "a", "more": 1})", {json}, 400, {}},
        {standard, R"(["a"])", {json}, 400, {}},
        {standard, "{", {json}, 400, {}},
        {standard, R"({"data": "a"})", {"Content-Type: text/plain"}, 415, {}},
        {standard, R"({"data": "a"})", {}, 415, {}},
        {standard, QByteArray(70 * 1024, ' '), {json}, 413, {}},
        {"configCoreRouter/nothing", R"({"data": "a"})", {json}, 404, {}},
    };
    for (const Case& c : cases) {
        const Answer a = put(port(), c.path, c.body, c.headers);
        SCOPED_TRACE((c.path + " " + c.body.left(40)).toStdString());
        EXPECT_EQ(a.status, c.status) << a.body.toStdString();
        expectConventions(a, c.path.toStdString());
        if (!c.data.isEmpty()) {
            EXPECT_EQ(a.json().value("data").toArray(), c.data);
            EXPECT_TRUE(a.json().value("inSync").toBool());
        }
    }
    // The server holds the change: another client reads it.
    const ProgramRun run = datacoreTool(datacored_->port(), {"get", standard});
    EXPECT_NE(run.out.find("= 1080i50"), std::string::npos) << run.out;
}

TEST_F(WebdTest, EventStreamsFollowChangesAndResume) {
    EventStream stream(port(), "/api/v1/events?prefix=configCoreRouter/generator");
    const QByteArray sync = stream.waitFor("event: sync");
    EXPECT_TRUE(sync.contains(standard));
    EXPECT_FALSE(sync.contains("statusCoreRouter"));
    const QByteArray before = lastId(sync);

    ASSERT_EQ(datacoreTool(datacored_->port(), {"set", QString(standard) + "=720p50"}).exitCode, 0);
    ASSERT_EQ(datacoreTool(datacored_->port(), {"set", QString(sdi1Locked) + "=false"}).exitCode,
              1);
    const QByteArray change = stream.waitFor("720p50");
    EXPECT_TRUE(change.contains("event: datacore"));
    EXPECT_GT(lastId(change).toULongLong(), before.toULongLong());

    // Back with the id of the sync: given the change it missed, no sync.
    EventStream resumed(port(), "/api/v1/events?prefix=configCoreRouter", before);
    const QByteArray missed = resumed.waitFor("720p50");
    EXPECT_FALSE(missed.contains("event: sync"));
    EXPECT_EQ(lastId(missed), lastId(change));
    // An id this server never gave: what followed it is not held.
    EventStream stranger(port(), "/api/v1/events", "999999999");
    EXPECT_TRUE(stranger.waitFor("event: sync").contains(sdi1Locked));
}

TEST_F(WebdTest, AGapLongerThanTheHistoryGivesASync) {
    EventStream stream(port(), "/api/v1/events?prefix=" + QByteArray(standard));
    const QByteArray first = lastId(stream.waitFor("event: sync"));
    // One run sends 4100 changes; every echo is an event. Their confirmation
    // takes longer than the tool's default wait under emulation.
    QStringList sets{"--timeout", "30000", "set"};
    for (int i = 0; i < 4100; ++i) {
        sets.append(QStringLiteral("%1=v%2").arg(standard).arg(i));
    }
    const ProgramRun run = datacoreTool(datacored_->port(), sets);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    stream.waitFor("\"v4099\"", 30000);
    EventStream late(port(), "/api/v1/events?prefix=" + QByteArray(standard), first);
    const QByteArray caughtUp = late.waitFor("event: sync");
    EXPECT_TRUE(caughtUp.contains("v4099"));
    EXPECT_FALSE(caughtUp.contains("event: datacore"));
}

TEST_F(WebdTest, TheOpenApiDescriptionListsExactlyWhatAnswers) {
    const QJsonObject paths = get(port(), "/api/v1/openapi.json").json().value("paths").toObject();
    ASSERT_FALSE(paths.isEmpty());
    for (const QString& path : paths.keys()) {
        QString target = path;
        target.replace("{path}", sdi1Locked).replace("{name}", "sdi1");
        SCOPED_TRACE(target.toStdString());
        if (target.endsWith("/events")) {
            EventStream(port(), target.toUtf8()).waitFor("HTTP/1.1 200");
        } else {
            // Unreadable sensors answer 503, as they are under emulation.
            const bool unreadable = target.endsWith("/sensors") && !emulator().isEmpty();
            EXPECT_EQ(get(port(), target.toUtf8()).status, unreadable ? 503 : 200);
        }
    }
    // Everything below the API's root that answers is described.
    const QStringList candidates{"/api/v1",
                                 "/api/v1/datacores",
                                 "/api/v1/inputs",
                                 "/api/v1/sensors",
                                 "/api/v1/versions",
                                 "/api/v1/openapi.json",
                                 "/api/v1/status",
                                 "/api/v1/config",
                                 "/api/v1/metrics",
                                 "/metrics",
                                 "/api",
                                 "/api/v2",
                                 "/health",
                                 "/index.html"};
    for (const QString& c : candidates) {
        if (get(port(), c.toUtf8()).status != 404) {
            EXPECT_TRUE(paths.contains(c)) << c.toStdString();
        }
    }
}

TEST_F(WebdTest, StreamsAreBounded) {
    std::vector<std::unique_ptr<EventStream>> streams;
    for (int i = 0; i < 64; ++i) {
        streams.push_back(std::make_unique<EventStream>(port(), "/api/v1/events"));
        streams.back()->waitFor("event: sync");
    }
    EXPECT_EQ(get(port(), "/api/v1/events").status, 503);
    streams.pop_back();  // a client that leaves frees its place at once
    QThread::msleep(300);
    EventStream again(port(), "/api/v1/events");
    again.waitFor("event: sync");
}

// A client that does not read is cut off once 1 MiB waits for it; the
// others go on.
TEST_F(WebdTest, AStreamThatDoesNotReadIsClosed) {
    QTcpSocket idle;
    idle.setReadBufferSize(4096);
    idle.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
    idle.connectToHost(QStringLiteral("127.0.0.1"), port());
    ASSERT_TRUE(idle.waitForConnected(5000));
    idle.write(requestText("GET", "/api/v1/events", {}, {}));
    idle.waitForBytesWritten(5000);
    EventStream reader(port(), "/api/v1/events");
    reader.waitFor("event: sync");
    // Each change is a 60 KiB event: far more than the socket buffers hold.
    const QByteArray filler(60 * 1024, 'x');
    for (int i = 0; i < 120; ++i) {
        const QByteArray body = R"({"data": ")" + filler + QByteArray::number(i) + R"("})";
        ASSERT_EQ(put(port(), standard, body).status, 200);
        reader.waitFor(filler + QByteArray::number(i) + '"');  // a reader keeps up
    }
    QByteArray got;
    QDeadlineTimer deadline(10000);
    while (idle.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired()) {
        idle.waitForReadyRead(100);
        got += idle.readAll();
    }
    got += idle.readAll();
    EXPECT_NE(idle.state(), QAbstractSocket::ConnectedState) << got.size() << " bytes read";
    EXPECT_FALSE(got.contains(filler + "119"));
}

TEST(Webd, BadOptionsAreUsageErrors) {
    const struct {
        QStringList args;
        int status;
        std::string says;
    } cases[] = {
        {{"--port", "65536"}, 2, "--port: '65536' is not a port"},
        {{"--datacore", "nohost"}, 2, "--datacore: 'nohost' is not HOST:PORT"},
        {{"--datacore", "h:0"}, 2, "is not HOST:PORT"},
        {{"--listen", "localhost"}, 2, "--listen: 'localhost' is not an IP address"},
        {{"--timeout", "0"}, 2, "--timeout: '0'"},
        {{"--token-file", "/nonexistent"}, 1, "--token-file: cannot read"},
        {{"extra"}, 2, "no arguments expected"},
    };
    for (const auto& c : cases) {
        expectToolRun(runProgram(binDir + "/corvane-webd", c.args), c.status, c.says);
    }
}

TEST(Webd, FollowsTheDatacoreServerAwayAndBack) {
    auto datacored = std::make_unique<DatacoredProcess>();
    const quint16 datacorePort = datacored->port();
    Webd webd(datacorePort);
    ASSERT_TRUE(webd.waitUntilServing());
    EventStream stream(webd.port(), "/api/v1/events");
    stream.waitFor("event: sync");

    datacored.reset();
    stream.waitFor("event: connection");
    EXPECT_FALSE(get(webd.port(), "/api/v1").json().value("connected").toBool());
    const Answer away = get(webd.port(), "/api/v1/datacores");
    EXPECT_EQ(away.status, 503);
    expectConventions(away, "away");
    EXPECT_EQ(put(webd.port(), standard, R"({"data": "a"})").status, 503);

    datacored = std::make_unique<DatacoredProcess>(datacorePort);
    ASSERT_EQ(datacored->port(), datacorePort);
    EXPECT_TRUE(stream.waitFor("event: sync", 5000).contains(sdi1Locked));
    EXPECT_EQ(get(webd.port(), "/api/v1/datacores").status, 200);
}

TEST(Webd, APutTheServerDoesNotAnswerEndsIn504) {
    DatacoredProcess datacored;
    Webd webd(datacored.port(), {"--timeout", "300"});
    ASSERT_TRUE(webd.waitUntilServing());
    ::kill(static_cast<pid_t>(datacored.pid()), SIGSTOP);  // connected, but silent
    const Answer a = put(webd.port(), standard, R"({"data": "unanswered"})");
    ::kill(static_cast<pid_t>(datacored.pid()), SIGCONT);
    EXPECT_EQ(a.status, 504) << a.body.toStdString();
    expectConventions(a, "timeout");
}

TEST(Webd, ATokenFileGuardsChanges) {
    DatacoredProcess datacored;
    QTemporaryDir dir;
    QFile token(dir.filePath("token"));
    ASSERT_TRUE(token.open(QIODevice::WriteOnly));
    token.write("s3cret-token\n");
    token.close();
    Webd webd(datacored.port(), {"--token-file", token.fileName()});
    ASSERT_TRUE(webd.waitUntilServing());
    const QByteArray body = R"({"data": "1080p24"})";
    const QByteArray type = "Content-Type: application/json";
    const struct {
        std::vector<QByteArray> headers;
        int status;
    } cases[] = {
        {{type}, 401},
        {{type, "Authorization: Bearer s3cret-tokeN"}, 401},
        {{type, "Authorization: Bearer s3cret"}, 401},
        {{type, "Authorization: Basic s3cret-token"}, 401},
        {{type, "Authorization: Bearer s3cret-token"}, 200},
    };
    for (const auto& c : cases) {
        const Answer a = put(webd.port(), standard, body, c.headers);
        EXPECT_EQ(a.status, c.status) << c.headers.back().toStdString();
        if (c.status == 401) {
            EXPECT_EQ(a.header("www-authenticate"), "Bearer");
        }
    }
    EXPECT_EQ(get(webd.port(), "/api/v1/versions").status, 200);  // reads stay open
}

// Both programs in a private network namespace with a veth address: a
// client of that address is not on loopback.
TEST(Webd, WithoutATokenFileOnlyLoopbackMayChange) {
    const int home = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    if (::geteuid() != 0 || home < 0 || ::unshare(CLONE_NEWNET) != 0) {
        GTEST_SKIP() << "needs root and network namespaces";
    }
    const bool up = std::system(
                        "ip link set lo up && ip link add webd0 type veth peer name webd1 && "
                        "ip addr add 10.94.80.1/24 dev webd0 && ip link set webd0 up && "
                        "ip link set webd1 up") == 0;
    {
        if (!up) {
            ::setns(home, CLONE_NEWNET);
            ::close(home);
            GTEST_SKIP() << "cannot add a veth pair (iproute2 missing?)";
        }
        DatacoredProcess datacored;
        Webd webd(datacored.port(), {"--listen", "10.94.80.1"});
        const QString address = QStringLiteral("10.94.80.1");
        for (int i = 0;
             i < 100 &&
             request(webd.port(), "GET", "/api/v1/datacores", {}, {}, address).status != 200;
             ++i) {
            QThread::msleep(100);
        }
        const Answer a = request(webd.port(), "PUT", QByteArray("/api/v1/datacores/") + standard,
                                 R"({"data": "a"})", {"Content-Type: application/json"}, address);
        EXPECT_EQ(a.status, 403) << a.body.toStdString();
        expectConventions(a, "remote PUT");
        EXPECT_EQ(request(webd.port(), "GET", "/api/v1/versions", {}, {}, address).status, 200);
    }
    ::setns(home, CLONE_NEWNET);
    ::close(home);
}

// On the simulated board with fan 2 below its 2000 RPM limit.
class WebdOnBoard : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QFile::exists(binDir + "/corvane-simboard")) {
            GTEST_SKIP() << "no simulated board in this build";
        }
        if (!emulator().isEmpty()) {
            GTEST_SKIP() << sensorsUnderEmulation;  // what these tests read
        }
        webd_ = std::make_unique<Webd>(
            datacored_.port(), QStringList{},
            QStringList{binDir + "/corvane-simboard", "--sensor", "fan2=1500"});
        ASSERT_TRUE(webd_->waitUntilServing());
    }
    DatacoredProcess datacored_;
    std::unique_ptr<Webd> webd_;
};

TEST_F(WebdOnBoard, MetricsAreCleanAndShowTheBoard) {
    get(webd_->port(), "/metrics");  // a first reading to count the fan's alarm
    QThread::msleep(1100);
    const Answer a = get(webd_->port(), "/metrics");
    ASSERT_EQ(a.status, 200);
    EXPECT_TRUE(a.header("content-type").startsWith("text/plain; version=0.0.4"));
    for (const char* line :
         {"corvane_hwmon_fan_rpm{sensor=\"Fan 2 RPM\"} 1500\n",
          "corvane_hwmon_fan_min_rpm{sensor=\"Fan 2 RPM\"} 2000\n",
          "corvane_hwmon_alarm{sensor=\"Fan 2 RPM\"} 1\n",
          "corvane_hwmon_alarm{sensor=\"Fan 1 RPM\"} 0\n", "corvane_datacore_connected 1\n",
          "corvane_sdi_locked{input=\"sdi3\"} 0\n", "corvane_sdi_crc_errors{input=\"sdi2\"} 3\n",
          "corvane_http_requests_total{code=\"200\"}"}) {
        EXPECT_TRUE(a.body.contains(line)) << line << a.body.toStdString();
    }
    EXPECT_TRUE(a.body.contains("corvane_build_info{fpga=\"1.4.2+311\",version=\""));
    const QString promtool = QStandardPaths::findExecutable("promtool");
    if (promtool.isEmpty()) {
        GTEST_SKIP() << "promtool not installed (Debian prometheus)";
    }
    QTemporaryDir dir;
    QFile file(dir.filePath("metrics"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(a.body);
    file.close();
    const ProgramRun run = runProgram(
        "/bin/sh",
        {"-c", QStringLiteral("'%1' check metrics < '%2' 2>&1").arg(promtool, file.fileName())});
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(run.out, "") << run.out;
}

TEST_F(WebdOnBoard, PrometheusScrapesTheFan) {
    const QString prometheus = QStandardPaths::findExecutable("prometheus");
    if (prometheus.isEmpty()) {
        GTEST_SKIP() << "prometheus not installed";
    }
    QTemporaryDir dir;
    QFile config(dir.filePath("prometheus.yml"));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(QStringLiteral("global:\n  scrape_interval: 1s\nscrape_configs:\n"
                                "  - job_name: webd\n    static_configs:\n"
                                "      - targets: ['127.0.0.1:%1']\n")
                     .arg(webd_->port())
                     .toUtf8());
    config.close();
    const quint16 port = freePort();
    RunningProgram server(
        prometheus,
        {"--config.file=" + config.fileName(), "--storage.tsdb.path=" + dir.filePath("data"),
         QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(port)},
        QRegularExpression(QStringLiteral("Server is ready to receive web requests")));
    ASSERT_TRUE(server.ready()) << server.said().toStdString();
    const auto query = [port](const QString& expression) {
        const QByteArray target = "/api/v1/query?query=" + QUrl::toPercentEncoding(expression);
        const QJsonObject answer = get(port, target).json();
        const QJsonArray result = answer["data"]["result"].toArray();
        return result.isEmpty() ? QString() : result[0]["value"][1].toString();
    };
    QString rpm;
    for (int i = 0; i < 150 && rpm.isEmpty(); ++i) {
        QThread::msleep(200);
        rpm = query(QStringLiteral("corvane_hwmon_fan_rpm{sensor=\"Fan 2 RPM\"}"));
    }
    EXPECT_EQ(rpm, "1500");
    QString alarm;
    for (int i = 0; i < 50 && alarm != "1"; ++i) {
        QThread::msleep(200);
        alarm = query(QStringLiteral("corvane_hwmon_alarm{sensor=\"Fan 2 RPM\"}"));
    }
    EXPECT_EQ(alarm, "1");
}

}  // namespace
}  // namespace Corvane::Testing
