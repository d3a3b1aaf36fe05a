// Filling the status view's item tree from the ancillary documents. Items are
// reused where present so repeated calls update the tree in place.
#include "status/AncillaryStatusJsonData.h"
#include "status/StatusColourPropagator.h"

#include <QStandardItem>

namespace Corvane {

namespace {

QStandardItem* childItem(QStandardItem* parent, int row, int column,
                         const QBrush* initialForeground = nullptr) {
    QStandardItem* item = parent->child(row, column);
    if (!item) {
        item = new QStandardItem;
        item->setEditable(false);
        if (initialForeground) {
            item->setForeground(*initialForeground);
        }
        parent->setChild(row, column, item);
    }
    return item;
}

void show(QStandardItem* item, const QString& text, const QVariant& value) {
    item->setText(text);
    item->setData(value, ancValueRole);
}

void removeRowsFrom(QStandardItem* parent, int firstRow) {
    if (parent->rowCount() > firstRow) {
        parent->removeRows(firstRow, parent->rowCount() - firstRow);
    }
}

void removeChild(QStandardItem* parent, int row, int column) {
    if (row < parent->rowCount() && column < parent->columnCount()) {
        delete parent->takeChild(row, column);
    }
}

QString hexByte(int value) {
    return QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

constexpr int firstErrorColumn = 2;
constexpr int lastColumn = 4;

}  // namespace

void AncTimeJsonData::toStandardItem(QStandardItem* item) const {
    show(childItem(item, 0, 0), QString::number(startTime_), startTime_);
    show(childItem(item, 1, 0), QString::number(endTime_), endTime_);
}

void AncEventJsonData::toStandardItem(QStandardItem* item) const {
    show(childItem(item, 0, 0), presenceText(presence_), static_cast<int>(presence_));
    if (presence_ == NotPresent) {
        removeRowsFrom(item, 1);
        return;
    }
    QStandardItem* first = childItem(item, 1, 0);
    first->setText(QStringLiteral("First Seen"));
    firstSeen_.toStandardItem(first);
    QStandardItem* last = childItem(item, 2, 0);
    last->setText(QStringLiteral("Last Seen"));
    lastSeen_.toStandardItem(last);
}

void AncillaryStatusJsonData::toStandardItem(QStandardItem* parent, int row,
                                             QPalette palette) const {
    const QString position = virtualInterface_ % 2 == 0 ? QStringLiteral("C") : QStringLiteral("Y");
    QStandardItem* head = childItem(parent, row, 0);
    head->setText(position + QStringLiteral("-Pos"));
    head->setToolTip(position + QStringLiteral(" Position"));
    head->setData(virtualInterface_, ancValueRole);

    QStandardItem* presence = childItem(parent, row, 1);
    if (presence_.getHasOccurred() == AncEventJsonData::NotPresent) {
        removeRowsFrom(presence, 0);
        show(presence, AncEventJsonData::presenceText(AncEventJsonData::NotPresent), 0);
        return;
    }
    presence_.toStandardItem(presence);
    show(presence, presence->child(0, 0)->text(), static_cast<int>(presence_.getHasOccurred()));

    const AncEventJsonData* errors[] = {&checksumError_, &parityError_, &dataBlockNumberError_};
    // Data block numbers exist in type 1 packets only.
    const int columns = packetType_ == 1 ? 3 : 2;
    const QBrush bright = palette.brush(QPalette::BrightText);
    for (int i = 0; i < columns; ++i) {
        QStandardItem* cell = childItem(parent, row, firstErrorColumn + i, &bright);
        const AncEventJsonData::Presence value = errors[i]->getHasOccurred();
        if (value == AncEventJsonData::NotPresent) {
            // Times of an error that has been reset would only mislead.
            removeRowsFrom(cell, 0);
            show(cell, QStringLiteral("OK"), 0);
            StatusColourPropagator::ValidateAndPropagateErrorWarning(cell, false, false, palette);
            continue;
        }
        errors[i]->toStandardItem(cell);
        const bool now = value == AncEventJsonData::Present;
        show(cell, now ? QStringLiteral("Error") : QStringLiteral("Previous Error"),
             static_cast<int>(value));
        StatusColourPropagator::ValidateAndPropagateErrorWarning(cell, now, !now, palette);
    }
    for (int column = firstErrorColumn + columns; column <= lastColumn; ++column) {
        removeChild(parent, row, column);
    }
}

void AncillaryStatusEntryJsonData::toStandardItem(QStandardItem* parent, int row,
                                                  QPalette palette) const {
    const quint16 key = getKey();
    const auto [title, toolTip] = AncillaryStatusArrayJsonData::getTitleAndToolTipByKey(key);
    QString text = title + QStringLiteral(" (%1h").arg(hexByte(dataId_));
    if (packetType_ == 2) {
        text += QStringLiteral(" %1h").arg(hexByte(subDataId_));
    }
    text += QLatin1Char(')');

    QStandardItem* entry = childItem(parent, row, 0);
    entry->setText(text);
    entry->setToolTip(toolTip);
    entry->setData(key, ancValueRole);

    const int count = virtualInterfaces_.size();
    for (int i = 0; i < count; ++i) {
        virtualInterfaces_[i].toStandardItem(entry, i, palette);
    }
    removeRowsFrom(entry, count);

    if (count == 1) {
        // A single virtual interface needs no level of its own: its columns
        // move up into the entry's row, its position into the presence text.
        const QList<QStandardItem*> taken = entry->takeRow(0);
        QStandardItem* position = taken.value(0);
        for (int column = 1; column < taken.size(); ++column) {
            if (taken[column]) {
                parent->setChild(row, column, taken[column]);
            }
        }
        if (QStandardItem* presence = parent->child(row, 1); presence && position) {
            presence->setText(presence->text() + QStringLiteral(" (%1)").arg(position->text()));
            presence->setToolTip(position->toolTip());
        }
        delete position;
        return;
    }

    // Columns left over from a time when the entry had a single interface.
    for (int column = 1; column <= lastColumn; ++column) {
        removeChild(parent, row, column);
    }

    bool twoLinks = false;
    bool subImages = false;
    for (const AncillaryStatusJsonData& status : virtualInterfaces_) {
        twoLinks = twoLinks || status.getVirtualInterfaceNumber() > 7;
        subImages = subImages || status.getVirtualInterfaceNumber() % 8 > 1;
    }
    for (int i = 0; i < count; ++i) {
        QStandardItem* head = entry->child(i, 0);
        const unsigned int number = virtualInterfaces_[i].getVirtualInterfaceNumber();
        const QString link = number < 8 ? QStringLiteral("Link A ") : QStringLiteral("Link B ");
        if (twoLinks) {
            if (!head->text().contains(QLatin1String("Link"))) {
                head->setText(head->text()
                                  .replace(QLatin1String("Y-Pos"), link + QLatin1String("Y-Pos"))
                                  .replace(QLatin1String("C-Pos"), link + QLatin1String("C-Pos")));
            }
            if (!head->toolTip().contains(QLatin1String("Link"))) {
                head->setToolTip(
                    head->toolTip()
                        .replace(QLatin1String("Y Pos"), link + QLatin1String("Y Pos"))
                        .replace(QLatin1String("C Pos"), link + QLatin1String("C Pos")));
            }
        }
        if (subImages) {
            const QString image = QString::number(number % 8 / 2 + 1);
            if (!head->toolTip().startsWith(QLatin1String("Sub"))) {
                head->setToolTip(QStringLiteral("Sub-Image ") + image + head->toolTip());
            }
            // Rows of different sub-images would otherwise read alike. Two-link
            // rows already lead with their link label; single-link rows get the
            // image number, the one thing that tells them apart.
            const QString prefix = twoLinks ? link.trimmed() : image;
            if (!head->text().startsWith(image) && !head->text().startsWith(prefix)) {
                head->setText(prefix + QLatin1Char(' ') + head->text());
            }
        }
    }
}

void AncillaryStatusEntryArrayJsonData::toStandardItem(QStandardItem* root,
                                                       QPalette palette) const {
    for (int i = 0; i < list_.size(); ++i) {
        list_[i].toStandardItem(root, i, palette);
    }
    removeRowsFrom(root, list_.size());
}

}  // namespace Corvane
