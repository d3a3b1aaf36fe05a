#include "status/StatusColourPropagator.h"

#include <QBrush>
#include <QStandardItem>

#include <initializer_list>

namespace Corvane {

namespace {

const QBrush& redBrush() {
    static const QBrush brush(Qt::red);
    return brush;
}
const QBrush& yellowBrush() {
    static const QBrush brush(Qt::yellow);
    return brush;
}
const QBrush& whiteBrush() {
    static const QBrush brush(Qt::white);
    return brush;
}

bool hasColumn0ChildIn(const QStandardItem* item, std::initializer_list<QBrush> brushes) {
    for (int row = 0; row < item->rowCount(); ++row) {
        const QStandardItem* child = item->child(row, 0);
        if (!child) {
            continue;
        }
        const QBrush foreground = child->foreground();
        for (const QBrush& brush : brushes) {
            if (foreground == brush) {
                return true;
            }
        }
    }
    return false;
}

// The column-0 item of item's row, when item sits further right under a parent.
QStandardItem* rowHead(const QStandardItem* item) {
    QStandardItem* parent = item->parent();
    if (item->column() == 0 || !parent) {
        return nullptr;
    }
    return parent->child(item->row(), 0);
}

}  // namespace

bool StatusColourPropagator::ValidateAndPropagateErrorWarning(QStandardItem* item, bool error,
                                                              bool warning, QPalette& palette) {
    if (!item || item->foreground() == (error ? redBrush() : yellowBrush())) {
        return error;
    }
    if (QStandardItem* head = rowHead(item)) {
        ValidateAndPropagateErrorWarning(head, error, warning, palette);
    }
    if (error) {
        for (QStandardItem* p = item; p; p = p->parent()) {
            p->setForeground(redBrush());
        }
    } else if (warning) {
        for (QStandardItem* p = item; p; p = p->parent()) {
            if (hasColumn0ChildIn(p, {redBrush()})) {
                p->setForeground(redBrush());
                return false;
            }
            p->setForeground(yellowBrush());
        }
    }
    return error;
}

bool StatusColourPropagator::PropagatePresence(QStandardItem* item, bool present,
                                               QPalette& palette) {
    const QBrush target = present ? whiteBrush() : palette.brush(QPalette::WindowText);
    if (!item || item->foreground() == target) {
        return present;
    }
    if (QStandardItem* head = rowHead(item)) {
        PropagatePresence(head, present, palette);
    }
    for (QStandardItem* p = item; p; p = p->parent()) {
        const QBrush foreground = p->foreground();
        if (foreground == redBrush() || foreground == yellowBrush()) {
            break;
        }
        if (!present && hasColumn0ChildIn(p, {redBrush(), yellowBrush(), whiteBrush()})) {
            return false;
        }
        p->setForeground(target);
    }
    return present;
}

}  // namespace Corvane
