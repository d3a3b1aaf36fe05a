#pragma once

#include <QJsonObject>
#include <QList>
#include <QMainWindow>
#include <QPersistentModelIndex>
#include <QSet>
#include <QSortFilterProxyModel>
#include <QString>

class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QTreeView;

namespace Corvane {

class DatacoreMonitor;
class LaneMapWidget;

// The monitor's window: the server's datacores as one filterable tree with a
// status icon per row (the worst state of its branch), double-click to edit a value; below it the
// lane map of every output group that has lane sources; the server, connection state and counts in
// the status bar.
class MonitorWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int defaultWidth = 1000;
    static constexpr int defaultHeight = 700;

    explicit MonitorWindow(DatacoreMonitor& monitor, QWidget* parent = nullptr);
    ~MonitorWindow() override;

    QTreeView& view() { return *view_; }
    QSortFilterProxyModel& proxy() { return proxy_; }
    // Shows only the rows whose path contains `text` (any case), with the
    // rows above them.
    void setFilter(const QString& text);
    const QList<LaneMapWidget*>& laneMaps() const { return laneMaps_; }
    // The status bar's texts, joined by " | ".
    QString statusText() const;
    // Every row inside the visible part of the tree: {"rows": [{"path",
    // "row": [x, y, width, height], "status": [...]}]} in this window's
    // coordinates, which are the pixels of a grab() of it.
    QJsonObject rowGeometry() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onDatacoresGained();
    void onDatacoresLost();
    void updateStatusBar();
    // Gives each row in view a status widget, and takes
    // them from rows out of view: thousands of widgets in one viewport make
    // every repaint crawl.
    void refreshStatusWidgets();
    // Shows the model's change on the status widgets of those rows.
    void updateStatusWidgets(const QModelIndex& topLeft, const QModelIndex& bottomRight);
    void scheduleStatusWidgets();
    void expandRows();
    void addLaneMaps();

    DatacoreMonitor& monitor_;
    QSortFilterProxyModel proxy_;
    QLineEdit* filter_;
    QTreeView* view_;
    QGroupBox* laneBox_;
    QHBoxLayout* laneLayout_;
    QList<LaneMapWidget*> laneMaps_;
    QLabel* serverLabel_;
    QLabel* stateLabel_;
    QLabel* countLabel_;
    QLabel* lostLabel_;
    QList<QPersistentModelIndex> statusCells_;  // those with a status widget
    QSet<QString> collapsed_;                   // paths the user folded, kept across reconnections
    bool statusWidgetsPending_ = false;
    bool expanding_ = false;
};

}  // namespace Corvane
