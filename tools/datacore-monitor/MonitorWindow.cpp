#include "MonitorWindow.h"

#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <functional>
#include <utility>

#include "DatacoreMonitor.h"
#include "DatacoreTreeModel.h"
#include "LaneMapWidget.h"
#include "MonitorConnectionBuilder.h"
#include "client/ClientDatacore.h"
#include "client/DatacoreStatusWidget.h"

namespace Corvane {
namespace {

// The datacore that feeds an output group's lane map.
const QString laneSourcesName = QStringLiteral("laneSources");

QJsonArray rectJson(const QRect& rect) {
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

// Calls `visit` for every row below `parent`, a row before its children.
void forEachRow(const QAbstractItemModel& model, const QModelIndex& parent,
                const std::function<void(const QModelIndex&)>& visit) {
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex index = model.index(row, DatacoreTreeModel::nameColumn, parent);
        visit(index);
        forEachRow(model, index, visit);
    }
}

// The icon of a row stands for its branch, which the datacore's own signals
// cannot tell: the model's roles do.
void showBranchState(DatacoreStatusWidget& widget, const QModelIndex& cell) {
    if (cell.data(DatacoreTreeModel::branchInSyncRole).toBool()) {
        widget.onDatacoreGainsSyncWithServer();
    } else {
        widget.onDatacoreLosesSyncWithServer();
    }
    QStringList messages = cell.data(DatacoreTreeModel::statusMessagesRole).toStringList();
    if (messages.isEmpty()) {
        widget.onDatacoreHasBecomeValid();
    } else {
        widget.onDatacoreHasBecomeInvalid(messages);
    }
}

}  // namespace

MonitorWindow::MonitorWindow(DatacoreMonitor& monitor, QWidget* parent)
    : QMainWindow(parent), monitor_(monitor) {
    setWindowTitle(QStringLiteral("Corvane datacore monitor - %1").arg(monitor.serverText()));
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    auto* top = new QHBoxLayout();
    auto* title = new QLabel(QStringLiteral("Datacores of %1").arg(monitor.serverText()), central);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.2);
    title->setFont(titleFont);
    filter_ = new QLineEdit(central);
    filter_->setPlaceholderText(QStringLiteral("Filter by path, e.g. input/sdi1"));
    filter_->setClearButtonEnabled(true);
    top->addWidget(title);
    top->addSpacing(24);
    top->addWidget(filter_, 1);
    layout->addLayout(top);

    proxy_.setSourceModel(&monitor.model());
    proxy_.setRecursiveFilteringEnabled(true);
    proxy_.setFilterRole(DatacoreTreeModel::pathRole);
    proxy_.setFilterCaseSensitivity(Qt::CaseInsensitive);
    view_ = new QTreeView(central);
    view_->setModel(&proxy_);
    view_->setUniformRowHeights(true);
    view_->setAlternatingRowColors(true);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    view_->setIndentation(16);
    view_->header()->setStretchLastSection(true);
    // Room for names four levels deep and for a video standard; the reasons
    // of invalid and inactive rows share the rest.
    const int widths[DatacoreTreeModel::columnTotal] = {250, DatacoreStatusWidget::iconSize + 12,
                                                        330, 200, 0};
    for (int column = 0; column + 1 < DatacoreTreeModel::columnTotal; ++column) {
        view_->setColumnWidth(column, widths[column]);
    }
    layout->addWidget(view_, 1);

    laneBox_ = new QGroupBox(QStringLiteral("Output lane map"), central);
    laneLayout_ = new QHBoxLayout(laneBox_);
    laneLayout_->addStretch(1);
    laneBox_->hide();
    layout->addWidget(laneBox_);
    setCentralWidget(central);

    serverLabel_ = new QLabel(monitor.serverText(), this);
    stateLabel_ = new QLabel(this);
    countLabel_ = new QLabel(this);
    lostLabel_ = new QLabel(this);
    for (QLabel* label : {serverLabel_, stateLabel_, countLabel_, lostLabel_}) {
        label->setContentsMargins(6, 0, 12, 0);
        statusBar()->addWidget(label);
    }

    connect(filter_, &QLineEdit::textChanged, this, &MonitorWindow::setFilter);
    connect(&monitor.builder(), &DatacoreConnectionBuilderBase::connectionToDatacoresGained, this,
            &MonitorWindow::onDatacoresGained);
    connect(&monitor.builder(), &DatacoreConnectionBuilderBase::connectionToDatacoresLost, this,
            &MonitorWindow::onDatacoresLost);
    connect(&monitor, &DatacoreMonitor::stateChanged, this, &MonitorWindow::updateStatusBar);
    connect(&monitor.model(), &DatacoreTreeModel::populationComplete, this,
            &MonitorWindow::updateStatusBar);
    connect(&monitor.model(), &DatacoreTreeModel::lostPacketsChanged, this,
            &MonitorWindow::updateStatusBar);
    connect(&proxy_, &QAbstractItemModel::dataChanged, this, &MonitorWindow::updateStatusWidgets);
    connect(&proxy_, &QAbstractItemModel::rowsInserted, this,
            &MonitorWindow::scheduleStatusWidgets);
    connect(&proxy_, &QAbstractItemModel::layoutChanged, this,
            &MonitorWindow::scheduleStatusWidgets);
    connect(&proxy_, &QAbstractItemModel::modelReset, this, &MonitorWindow::scheduleStatusWidgets);
    connect(&proxy_, &QAbstractItemModel::rowsRemoved, this, &MonitorWindow::scheduleStatusWidgets);
    connect(view_->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &MonitorWindow::scheduleStatusWidgets);
    view_->viewport()->installEventFilter(this);
    connect(view_, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
        if (!expanding_) {
            collapsed_.insert(index.data(DatacoreTreeModel::pathRole).toString());
        }
        scheduleStatusWidgets();
    });
    connect(view_, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        // expandAll() reports every row it opens: only the user's unfold counts.
        if (!expanding_) {
            collapsed_.remove(index.data(DatacoreTreeModel::pathRole).toString());
        }
        scheduleStatusWidgets();
    });

    resize(defaultWidth, defaultHeight);
    updateStatusBar();
}

MonitorWindow::~MonitorWindow() {
    // The model outlives this window; its last signals must not reach it.
    proxy_.disconnect(this);
}

void MonitorWindow::setFilter(const QString& text) {
    if (filter_->text() != text) {
        filter_->setText(text);  // comes back here through textChanged
        return;
    }
    proxy_.setFilterFixedString(text);
    expandRows();
}

QString MonitorWindow::statusText() const {
    QStringList parts;
    for (const QLabel* label : {serverLabel_, stateLabel_, countLabel_, lostLabel_}) {
        parts.append(label->text());
    }
    return parts.join(QLatin1String(" | "));
}

QJsonObject MonitorWindow::rowGeometry() const {
    QJsonArray rows;
    const QRect shown = view_->viewport()->rect();
    forEachRow(proxy_, QModelIndex(), [&](const QModelIndex& index) {
        const QRect rect = view_->visualRect(index);
        if (!rect.intersects(shown)) {
            return;
        }
        const QPoint origin = view_->viewport()->mapTo(this, QPoint(0, 0));
        const QRect status =
            view_->visualRect(index.siblingAtColumn(DatacoreTreeModel::statusColumn));
        rows.append(QJsonObject{{"path", index.data(DatacoreTreeModel::pathRole).toString()},
                                {"row", rectJson(QRect(origin.x(), origin.y() + rect.y(),
                                                       shown.width(), rect.height()))},
                                {"status", rectJson(status.translated(origin))}});
    });
    return {{"rows", rows}};
}

bool MonitorWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_->viewport() && event->type() == QEvent::Resize) {
        scheduleStatusWidgets();
    }
    return QMainWindow::eventFilter(watched, event);
}

void MonitorWindow::onDatacoresGained() {
    // Synchronously, so that no state the server sends next is missed.
    expandRows();
    refreshStatusWidgets();
    addLaneMaps();
    updateStatusBar();
}

void MonitorWindow::onDatacoresLost() {
    // The datacores the lane maps followed are gone already.
    qDeleteAll(laneMaps_);
    laneMaps_.clear();
    laneBox_->hide();
    updateStatusBar();
}

void MonitorWindow::updateStatusBar() {
    const DatacoreMonitor::State state = monitor_.state();
    const QRgb colour = state == DatacoreMonitor::State::connected ? DatacoreStatusColours::good
                        : state == DatacoreMonitor::State::lost    ? DatacoreStatusColours::error
                                                                   : DatacoreStatusColours::warning;
    QString text = monitor_.stateText();
    if (state != DatacoreMonitor::State::connected) {
        text += QStringLiteral(", retrying every second");
    }
    stateLabel_->setText(text);
    stateLabel_->setStyleSheet(
        QStringLiteral("QLabel { color: %1; font-weight: bold; }").arg(QColor(colour).name()));
    const DatacoreTreeModel& model = monitor_.model();
    countLabel_->setText(QStringLiteral("%1 datacores").arg(model.datacoreCount()));
    lostLabel_->setText(QStringLiteral("%1 lost packets").arg(model.lostPackets()));
}

void MonitorWindow::refreshStatusWidgets() {
    // The status column of every row in view.
    QList<QPersistentModelIndex> wanted;
    const int bottom = view_->viewport()->height();
    for (QModelIndex index = view_->indexAt(QPoint(0, 0));
         index.isValid() && view_->visualRect(index).top() < bottom;
         index = view_->indexBelow(index)) {
        wanted.append(index.siblingAtColumn(DatacoreTreeModel::statusColumn));
    }
    for (const QPersistentModelIndex& cell : std::as_const(statusCells_)) {
        if (cell.isValid() && !wanted.contains(cell)) {
            view_->setIndexWidget(cell, nullptr);  // deletes the widget
        }
    }
    statusCells_.clear();
    // Every row has one: a row without a datacore of its own groups others.
    for (const QPersistentModelIndex& cell : std::as_const(wanted)) {
        statusCells_.append(cell);
        if (view_->indexWidget(cell) != nullptr) {
            continue;
        }
        auto* widget = new DatacoreStatusWidget();
        showBranchState(*widget, cell);  // then kept up by updateStatusWidgets
        view_->setIndexWidget(cell, widget);
    }
}

void MonitorWindow::updateStatusWidgets(const QModelIndex& topLeft,
                                        const QModelIndex& bottomRight) {
    if (topLeft.column() > DatacoreTreeModel::statusColumn ||
        bottomRight.column() < DatacoreTreeModel::statusColumn) {
        return;
    }
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
        const QModelIndex cell =
            proxy_.index(row, DatacoreTreeModel::statusColumn, topLeft.parent());
        if (auto* widget = qobject_cast<DatacoreStatusWidget*>(view_->indexWidget(cell))) {
            showBranchState(*widget, cell);
        }
    }
}

// Later, once the view has taken in the change of rows.
void MonitorWindow::scheduleStatusWidgets() {
    if (statusWidgetsPending_) {
        return;
    }
    statusWidgetsPending_ = true;
    QTimer::singleShot(0, this, [this] {
        statusWidgetsPending_ = false;
        refreshStatusWidgets();
    });
}

void MonitorWindow::expandRows() {
    expanding_ = true;
    view_->expandAll();
    forEachRow(proxy_, QModelIndex(), [this](const QModelIndex& index) {
        if (collapsed_.contains(index.data(DatacoreTreeModel::pathRole).toString())) {
            view_->collapse(index);
        }
    });
    expanding_ = false;
}

void MonitorWindow::addLaneMaps() {
    // Every group, whatever the filter shows.
    DatacoreTreeModel& model = monitor_.model();
    forEachRow(model, QModelIndex(), [&](const QModelIndex& index) {
        ClientDatacore* datacore = model.datacoreAt(index);
        if (datacore == nullptr || index.data().toString() != laneSourcesName) {
            return;
        }
        // "configCoreRouter/output/group1/laneSources" -> "output/group1"
        QStringList segments =
            index.data(DatacoreTreeModel::pathRole).toString().split(QLatin1Char('/'));
        segments = segments.mid(1, segments.size() - 2);
        auto* map = new LaneMapWidget(segments.join(QLatin1Char('/')), *datacore, laneBox_);
        laneLayout_->insertWidget(laneMaps_.size(), map);
        laneMaps_.append(map);
    });
    laneBox_->setVisible(!laneMaps_.isEmpty());
}

}  // namespace Corvane
