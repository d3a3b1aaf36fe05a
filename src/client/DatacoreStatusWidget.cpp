#include "client/DatacoreStatusWidget.h"

#include <QImage>
#include <QLabel>
#include <QVBoxLayout>

// Outside the namespace, as Qt's resource macro requires. The icons live in a
// static archive, whose resource registration nothing else would pull in.
static void initialiseClientIcons() {
    Q_INIT_RESOURCE(clienticons);
}

namespace Corvane {

DatacoreStatusWidget::DatacoreStatusWidget(QWidget* parent)
    : QWidget(parent), label_(new QLabel(this)) {
    initialiseClientIcons();
    good_ = getPixmapFromSvgImage(QString::fromLatin1(goodIconPath), iconSize);
    warning_ = getPixmapFromSvgImage(QString::fromLatin1(warningIconPath), iconSize);
    error_ = getPixmapFromSvgImage(QString::fromLatin1(errorIconPath), iconSize);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label_, 0, Qt::AlignCenter);
    label_->setAlignment(Qt::AlignCenter);
    updateIconAndMouseoverText();
}

DatacoreStatusWidget::~DatacoreStatusWidget() = default;

QPixmap DatacoreStatusWidget::getPixmapFromSvgImage(QString path, int size) {
    const QImage image(path);
    if (image.isNull()) {
        return QPixmap();
    }
    return QPixmap::fromImage(
        image.scaled(size, size, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation));
}

void DatacoreStatusWidget::onDatacoreHasBecomeValid() {
    messages_.clear();
    updateIconAndMouseoverText();
}

void DatacoreStatusWidget::onDatacoreHasBecomeInvalid(QStringList& messages) {
    messages_ = messages;
    updateIconAndMouseoverText();
}

void DatacoreStatusWidget::onDatacoreGainsSyncWithServer() {
    inSync_ = true;
    updateIconAndMouseoverText();
}

void DatacoreStatusWidget::onDatacoreLosesSyncWithServer() {
    inSync_ = false;
    updateIconAndMouseoverText();
}

void DatacoreStatusWidget::updateIconAndMouseoverText() {
    // Invalid outweighs waiting: the server has already said no.
    if (!messages_.isEmpty()) {
        label_->setPixmap(error_);
    } else {
        label_->setPixmap(inSync_ ? good_ : warning_);
    }
    QString text;
    if (!inSync_) {
        text += QStringLiteral("<b>Waiting for response from Server!</b>");
    }
    for (const QString& message : messages_) {
        text += QStringLiteral("-> %1").arg(message);
    }
    label_->setToolTip(text);
}

}  // namespace Corvane
