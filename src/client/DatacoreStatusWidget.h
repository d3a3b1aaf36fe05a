#pragma once

#include <QPixmap>
#include <QRgb>
#include <QString>
#include <QStringList>
#include <QWidget>

class QLabel;

namespace Corvane {

// Fill colours of the three status icons (the discs of
// icons/status*.svg), so pictures of a window can be checked for them.
namespace DatacoreStatusColours {
inline constexpr QRgb good = 0xFF1FA83D;     // green disc, white check
inline constexpr QRgb warning = 0xFFF2A900;  // amber disc, white "!"
inline constexpr QRgb error = 0xFFD7262E;    // red disc, white cross
}  // namespace DatacoreStatusColours

// A 22x22 icon telling whether one client datacore is in sync with the
// server and valid, with the reasons in its tool tip: good when in sync and
// valid, warning while waiting for the server, error whenever invalid.
class DatacoreStatusWidget : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* goodIconPath = ":/icons/statusGood.svg";
    static constexpr const char* warningIconPath = ":/icons/statusWarning.svg";
    static constexpr const char* errorIconPath = ":/icons/statusError.svg";
    static constexpr int iconSize = 22;

    explicit DatacoreStatusWidget(QWidget* parent = nullptr);
    ~DatacoreStatusWidget() override;

    // The image at `path` scaled to size x size (aspect kept by expanding,
    // smooth); a null pixmap when it cannot be read.
    static QPixmap getPixmapFromSvgImage(QString path, int size);

    // The label that shows the icon and carries the tool tip.
    const QLabel& getLabel() const { return *label_; }

public slots:
    void onDatacoreHasBecomeValid();
    void onDatacoreHasBecomeInvalid(QStringList& messages);
    void onDatacoreGainsSyncWithServer();
    void onDatacoreLosesSyncWithServer();

private:
    void updateIconAndMouseoverText();

    bool inSync_ = false;
    QStringList messages_;
    QPixmap good_;
    QPixmap warning_;
    QPixmap error_;
    QLabel* label_;  // child of this widget
};

}  // namespace Corvane
