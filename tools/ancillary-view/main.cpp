// corvane-ancillary-view: shows an ancillary data status document (the JSON
// form of AncillaryStatusEntryArrayJsonData) as the instrument's status tree.

#include "app/JsonText.h"
#include "common/CommandLine.h"
#include "status/AncillaryStatusJsonData.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QJsonDocument>
#include <QLabel>
#include <QPixmap>
#include <QStandardItemModel>
#include <QStyleFactory>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>

using namespace Corvane;
using Tools::failureStatus;
using Tools::usageStatus;

namespace {

// Status documents are a few kilobytes; anything far larger is not one.
constexpr qint64 maxDocumentBytes = 16 * 1024 * 1024;

int fail(const QString& message) {
    return Tools::fail(failureStatus, message);
}

// Wrong arguments are the caller's mistake, told apart from a bad document.
int usageError(const QString& message) {
    return Tools::fail(usageStatus, message);
}

// Reads the document, accepting it only when it is an object whose entry list
// is an array of objects, as the document classes expect.
bool readDocument(const QString& path, AncillaryStatusEntryArrayJsonData& document,
                  QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot open %1: %2").arg(path, file.errorString());
        return false;
    }
    if (file.size() > maxDocumentBytes) {
        error = QStringLiteral("%1 is too large for a status document").arg(path);
        return false;
    }
    const JsonParseResult parsed = parseJson(file.readAll());
    if (!parsed.ok()) {
        error = QStringLiteral("%1: %2 at offset %3")
                    .arg(path, parsed.message)
                    .arg(parsed.error.offset);
        return false;
    }
    const QJsonDocument& json = parsed.document;
    const char* key = AncillaryStatusEntryArrayJsonData::propertyNames
        [AncillaryStatusEntryArrayJsonData::AncillaryStatusEntryArray];
    const QJsonValue entries = json.object().value(QLatin1String(key));
    if (!json.isObject() || !entries.isArray()) {
        error = QStringLiteral("%1: expected an object with the array \"%2\"").arg(path, key);
        return false;
    }
    for (const QJsonValue& entry : entries.toArray()) {
        if (!entry.isObject()) {
            error = QStringLiteral("%1: every element of \"%2\" must be an object").arg(path, key);
            return false;
        }
    }
    document.fromValidQJsonObject(json.object());
    return true;
}

// Dark, like the instrument's front panel: the red, yellow and white of the
// status colours need a dark ground to be readable.
QPalette instrumentPalette() {
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
    palette.setColor(QPalette::WindowText, QColor(0xc8, 0xc8, 0xc8));
    palette.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    palette.setColor(QPalette::AlternateBase, QColor(0x26, 0x26, 0x26));
    palette.setColor(QPalette::Text, QColor(0xc8, 0xc8, 0xc8));
    palette.setColor(QPalette::BrightText, QColor(0xe6, 0xe6, 0xe6));
    palette.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
    palette.setColor(QPalette::ButtonText, QColor(0xc8, 0xc8, 0xc8));
    palette.setColor(QPalette::Highlight, QColor(0x3d, 0x5a, 0x80));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    return palette;
}

QString summary(const QString& path, const AncillaryStatusEntryArrayJsonData& document) {
    int errorsNow = 0;
    int errorsBefore = 0;
    const auto& entries = document.getAncillaryStatusEntryArrayAsConstList();
    for (const AncillaryStatusEntryJsonData& entry : entries) {
        AncEventJsonData::Presence worst = AncEventJsonData::NotPresent;
        for (const AncillaryStatusJsonData& status : entry.getVirtualInterfaceArrayAsConstList()) {
            QList<AncEventJsonData> events{status.getChecksumError(), status.getParityError()};
            if (entry.getPacketType() == 1) {
                events.append(status.getDataBlockNumberError());
            }
            for (const AncEventJsonData& event : events) {
                worst = qMax(worst, event.getHasOccurred());
            }
        }
        errorsNow += worst == AncEventJsonData::Present ? 1 : 0;
        errorsBefore += worst == AncEventJsonData::PreviouslyPresent ? 1 : 0;
    }
    return QStringLiteral("%1: %2 packet types, %3 with errors now, %4 with earlier errors")
        .arg(QFileInfo(path).fileName())
        .arg(entries.size())
        .arg(errorsNow)
        .arg(errorsBefore);
}

int visibleRows(const QTreeView& view, const QModelIndex& parent) {
    int rows = 0;
    const QAbstractItemModel* model = view.model();
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        rows += 1 + (view.isExpanded(index) ? visibleRows(view, index) : 0);
    }
    return rows;
}

// One line per visible row: its column-0 path and its rectangle across all
// columns, in the window's coordinates (the screenshot's pixels).
void printRows(const QTreeView& view, const QWidget& window, const QModelIndex& parent,
               const QString& prefix) {
    const QAbstractItemModel* model = view.model();
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        const QString path = prefix + index.data().toString();
        const QRect rect = view.visualRect(index);
        const QPoint topLeft = view.viewport()->mapTo(&window, QPoint(0, rect.top()));
        std::printf("%s\t%d %d %d %d\n", qUtf8Printable(path), topLeft.x(), topLeft.y(),
                    view.viewport()->width(), rect.height());
        if (view.isExpanded(index)) {
            printRows(view, window, index, path + QLatin1Char('/'));
        }
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication::setApplicationName(QStringLiteral("corvane-ancillary-view"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Shows an ancillary data status document (JSON with the array "
        "\"ancillaryStatusEntryArray\") as the instrument's status tree: errors in red, "
        "earlier errors in yellow."));
    const QCommandLineOption screenshotOption(
        QStringLiteral("screenshot"),
        QStringLiteral("Save a PNG image of the window to <png> and exit; needs no display "
                       "(the offscreen platform is used unless QT_QPA_PLATFORM says otherwise)."),
        QStringLiteral("png"));
    const QCommandLineOption rowsOption(
        QStringLiteral("print-rows"),
        QStringLiteral("With --screenshot: print every visible row's path and its rectangle "
                       "(x y width height, in image pixels) to standard output."));
    parser.addOption(screenshotOption);
    parser.addOption(rowsOption);
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("The status document to show."));

    // Parsed before the application object exists, so --help and argument
    // errors need no display.
    if (const auto status = Tools::parseArguments(parser, argc, argv)) {
        return *status;
    }
    if (parser.positionalArguments().size() != 1) {
        return usageError(QStringLiteral("expected exactly one document file (see --help)"));
    }
    const bool screenshot = parser.isSet(screenshotOption);
    if (parser.isSet(rowsOption) && !screenshot) {
        return usageError(QStringLiteral("--print-rows needs --screenshot"));
    }
    if (screenshot && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // The document first: a bad file is the more useful complaint.
    const QString path = parser.positionalArguments().constFirst();
    AncillaryStatusEntryArrayJsonData document;
    QString error;
    if (!readDocument(path, document, error)) {
        return fail(error);
    }
    if (!screenshot && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        return fail(QStringLiteral("no display to show the window on; use --screenshot"));
    }

    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    const QPalette palette = instrumentPalette();
    QApplication::setPalette(palette);

    QStandardItemModel model;
    model.setHorizontalHeaderLabels({QStringLiteral("Packet type"), QStringLiteral("Presence"),
                                     QStringLiteral("Checksum"), QStringLiteral("Parity"),
                                     QStringLiteral("Data block no.")});
    document.toStandardItem(model.invisibleRootItem(), palette);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Ancillary data status - %1").arg(path));
    auto* layout = new QVBoxLayout(&window);
    auto* label = new QLabel(summary(path, document), &window);
    auto* view = new QTreeView(&window);
    view->setModel(&model);
    view->setUniformRowHeights(true);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionMode(QAbstractItemView::NoSelection);
    view->setFocusPolicy(Qt::NoFocus);
    view->expandAll();
    layout->addWidget(label);
    layout->addWidget(view);

    window.show();
    QApplication::processEvents();
    // Size the window so that every row and column shows without scrolling,
    // within the bounds of a large screen.
    int width = 0;
    for (int column = 0; column < model.columnCount(); ++column) {
        view->resizeColumnToContents(column);
        view->setColumnWidth(column, view->columnWidth(column) + 16);
        width += view->columnWidth(column);
    }
    const int rowHeight = view->visualRect(model.index(0, 0)).height();
    const int height = view->header()->height() + rowHeight * visibleRows(*view, QModelIndex()) +
                       2 * view->frameWidth() + 4;
    const QMargins margins = layout->contentsMargins();
    window.resize(qMin(width + 2 * view->frameWidth() + margins.left() + margins.right() + 4, 1920),
                  qMin(height + label->sizeHint().height() + layout->spacing() + margins.top() +
                           margins.bottom(),
                       1800));

    if (!screenshot) {
        return QApplication::exec();
    }
    QApplication::processEvents();
    const QString png = parser.value(screenshotOption);
    if (!window.grab().save(png, "PNG")) {
        return fail(QStringLiteral("cannot write %1").arg(png));
    }
    if (parser.isSet(rowsOption)) {
        printRows(*view, window, QModelIndex(), QString());
    }
    return 0;
}
