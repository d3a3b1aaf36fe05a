// corvane-datacore-monitor: a window onto the datacores of a datacore server,
// for the engineer beside the instrument: its state as a tree, editable in
// place, with the output groups' lane maps, kept through server restarts.

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QJsonDocument>
#include <QStyleFactory>
#include <QTimer>
#include <utility>
#include <vector>

#include "DatacoreMonitor.h"
#include "DatacoreTreeModel.h"
#include "MonitorWindow.h"
#include "client/ServerCommon.h"
#include "common/CommandLine.h"

using namespace Corvane;
using Tools::fail;
using Tools::ToolError;
using Tools::usageStatus;

namespace {

constexpr int defaultWaitMs = 10000;
// From the changes of --set to the picture: long enough for a server's
// answers to arrive and be drawn.
constexpr int settleMs = 300;

struct Options {
    QString host;
    quint16 port = ServerCommon::defaultPort;
    QString filter;
    QString screenshot;  // empty: an interactive window
    int waitMs = defaultWaitMs;
    QString geometryFile;
    std::vector<std::pair<QString, QString>> changes;  // --set PATH=VALUE, in order
};

Options parseOptions(const QCommandLineParser& p) {
    Options o;
    o.host = p.value("host");
    o.port = Tools::portOption(p);
    o.filter = p.value("filter");
    o.screenshot = p.value("screenshot");
    o.geometryFile = p.value("geometry-json");
    if (p.isSet("after")) {
        const auto after = Tools::parseNumber(p.value("after"));
        if (!after || *after > 3600000u) {
            throw ToolError(
                QStringLiteral("--after: '%1' is not 0 to 3600000 ms").arg(p.value("after")),
                usageStatus);
        }
        o.waitMs = static_cast<int>(*after);
    }
    for (const char* needsPicture : {"after", "geometry-json"}) {
        if (p.isSet(needsPicture) && o.screenshot.isEmpty()) {
            throw ToolError(QStringLiteral("--%1 needs --screenshot").arg(needsPicture),
                            usageStatus);
        }
    }
    for (const QString& change : p.values("set")) {
        const int equals = change.indexOf(QLatin1Char('='));
        if (equals <= 0) {
            throw ToolError(QStringLiteral("--set: '%1' is not PATH=VALUE").arg(change),
                            usageStatus);
        }
        o.changes.emplace_back(change.left(equals), change.mid(equals + 1));
    }
    if (!p.positionalArguments().isEmpty()) {
        throw ToolError(QStringLiteral("unexpected argument '%1' (see --help)")
                            .arg(p.positionalArguments().constFirst()),
                        usageStatus);
    }
    return o;
}

// Edits each value through the model, as a double-click would; false, with
// the reason, for a path the server does not have.
bool applyChanges(DatacoreTreeModel& model, const Options& options, QString& error) {
    for (const auto& [path, value] : options.changes) {
        const QModelIndex index = model.indexOfPath(path, DatacoreTreeModel::valueColumn);
        if (!model.setData(index, value)) {
            error = QStringLiteral("--set: the server has no datacore '%1'").arg(path);
            return false;
        }
    }
    return true;
}

bool savePicture(MonitorWindow& window, const Options& options, QString& error) {
    if (!window.grab().save(options.screenshot, "PNG")) {
        error = QStringLiteral("cannot write %1").arg(options.screenshot);
        return false;
    }
    if (options.geometryFile.isEmpty()) {
        return true;
    }
    QFile file(options.geometryFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(QJsonDocument(window.rowGeometry()).toJson()) < 0) {
        error = QStringLiteral("cannot write %1").arg(options.geometryFile);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication::setApplicationName(QStringLiteral("corvane-datacore-monitor"));
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "A window onto the datacores of a Corvane datacore server: every datacore as a tree "
        "(value, validity, activity, and an icon that is green when in sync and valid, amber "
        "while a change awaits the server's answer, red when invalid), the lane map of each "
        "output group, and the connection in the status bar. Double-click a value to change it "
        "(commas separate list entries, \\, is a literal comma). A lost server is tried again "
        "every second.\n\n"
        "Errors go to stderr; the exit status is 1 for a failure and 2 for a usage error."));
    const QString port = QString::number(ServerCommon::defaultPort);
    p.addOptions({
        {"host", "Server address (default 127.0.0.1).", "HOST", "127.0.0.1"},
        {"port", QStringLiteral("Server port (default %1).").arg(port), "PORT", port},
        {"filter", "Start with this filter on the paths.", "TEXT"},
        {"screenshot",
         "Save a PNG of the window once every datacore has its state from the server, and exit; "
         "needs no display (the offscreen platform is used unless QT_QPA_PLATFORM says "
         "otherwise).",
         "FILE"},
        {"after",
         "With --screenshot: wait at most MS ms for the server's state (default 10000), then "
         "take the picture as the window is.",
         "MS"},
        {"set",
         "Once every datacore has its state, change PATH's value as an edit in the window would "
         "(repeatable); with --screenshot the picture follows 300 ms later.",
         "PATH=VALUE"},
        {"geometry-json",
         "With --screenshot: write the rectangles of the rows in view, in the picture's pixels, "
         "to FILE as JSON.",
         "FILE"},
    });

    // Parsed before the application object exists, so --help and usage
    // errors need no display.
    if (const auto status = Tools::parseArguments(p, argc, argv)) {
        return *status;
    }
    Options options;
    try {
        options = parseOptions(p);
    } catch (const ToolError& e) {
        return fail(e);
    }
    const bool screenshot = !options.screenshot.isEmpty();
    if (screenshot && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (!screenshot && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        return fail(Tools::failureStatus,
                    QStringLiteral("no display to show the window on; use --screenshot"));
    }

    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    DatacoreMonitor monitor(options.host, options.port);
    MonitorWindow window(monitor);
    window.setFilter(options.filter);
    window.show();

    bool changed = options.changes.empty();
    auto finish = [&](int exitCode, const QString& error) {
        if (exitCode != 0) {
            fail(exitCode, error);
        }
        app.exit(exitCode);
    };
    auto takePicture = [&] {
        QString error;
        if (!changed) {
            finish(1, QStringLiteral("no complete state from %1 within %2 ms, --set not applied")
                          .arg(monitor.serverText())
                          .arg(options.waitMs));
        } else if (!savePicture(window, options, error)) {
            finish(1, error);
        } else {
            finish(0, QString());
        }
    };
    QTimer deadline;
    deadline.setSingleShot(true);
    if (screenshot) {
        QObject::connect(&deadline, &QTimer::timeout, &app, takePicture);
        deadline.start(options.waitMs);
    }
    // Once, after the first complete state; out of the packet's delivery.
    QObject::connect(
        &monitor.model(), &DatacoreTreeModel::populationComplete, &app,
        [&] {
            if (!changed) {
                QString error;
                if (!applyChanges(monitor.model(), options, error)) {
                    finish(1, error);
                    return;
                }
                changed = true;
            }
            if (screenshot && deadline.isActive()) {
                deadline.start(options.changes.empty() ? 0 : settleMs);
            }
        },
        Qt::QueuedConnection);

    monitor.start();
    return QApplication::exec();
}
