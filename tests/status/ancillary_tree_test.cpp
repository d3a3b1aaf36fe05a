#include "AncillaryTestDocuments.h"
#include "status/StatusColourPropagator.h"

#include <gtest/gtest.h>

#include <QStandardItemModel>

using namespace Corvane;
using namespace Corvane::Testing;

namespace {

QPalette testPalette() {
    QPalette palette;
    palette.setBrush(QPalette::WindowText, QColor(0x40, 0x40, 0x40));
    palette.setBrush(QPalette::BrightText, QColor(0xee, 0xee, 0xee));
    return palette;
}

// 'R'ed, 'Y'ellow, 'W'hite, 'N'ormal (the palette's text), '-' never painted.
char colourOf(const QStandardItem* item, const QPalette& palette) {
    const std::pair<QBrush, char> known[] = {{QBrush(Qt::red), 'R'},
                                             {QBrush(Qt::yellow), 'Y'},
                                             {QBrush(Qt::white), 'W'},
                                             {palette.brush(QPalette::WindowText), 'N'}};
    for (const auto& [brush, letter] : known) {
        if (item->foreground() == brush) {
            return letter;
        }
    }
    return '-';
}

// A row's presence and three error cells (columns 1 to 4), '-' for no cell.
QString cells(const QStandardItem* parent, int row) {
    QStringList texts;
    for (int column = 1; column <= 4; ++column) {
        const QStandardItem* item = parent->child(row, column);
        texts << (item ? item->text() : QStringLiteral("-"));
    }
    return texts.join('|');
}

// The first column of the rows below `parent`, joined by '|'.
QString column0(const QStandardItem* parent, int role = Qt::DisplayRole) {
    QStringList texts;
    for (int row = 0; row < parent->rowCount(); ++row) {
        texts << parent->child(row, 0)->data(role).toString();
    }
    return texts.join('|');
}

class StatusTree : public ::testing::Test {
protected:
    void build(const AncillaryStatusEntryArrayJsonData& d) { d.toStandardItem(root(), palette); }
    QStandardItem* root() { return model.invisibleRootItem(); }
    QStandardItem* entry(int row) { return root()->child(row, 0); }

    QStandardItemModel model;
    QPalette palette = testPalette();
};

}  // namespace

TEST_F(StatusTree, RowsCarryTitlesKeysLinkAndSubImageLabels) {
    // Built twice: an update in place keeps the labels.
    const auto d =
        ancDocument({ancEntry(2, 0x41, 0x01, {ancStatus(1, 2), ancStatus(9, 2)}),
                     ancEntry(1, 0xE7, 0x05, {ancStatus(0, 1), ancStatus(8, 1)}),
                     ancEntry(2, 0x07, 0x1F, {ancStatus(0, 2), ancStatus(1, 2)}),
                     ancEntry(2, 0x41, 0x01,
                              {ancStatus(0, 2), ancStatus(1, 2), ancStatus(2, 2), ancStatus(7, 2)}),
                     ancEntry(2, 0x41, 0x01, {ancStatus(2, 2), ancStatus(11, 2)})});
    build(d);
    build(d);
    // The key of a type 1 packet ignores the SDID.
    EXPECT_EQ(column0(root()),
              "S352 Payload ID (41h 01h)|Audio Group 1 (E7h)|"
              "DID:7h SDID:1Fh (07h 1Fh)|S352 Payload ID (41h 01h)|"
              "S352 Payload ID (41h 01h)");
    EXPECT_EQ(column0(root(), ancValueRole), "321|231|7943|321|321");  // 0x0141, 0x00E7, 0x1F07
    EXPECT_EQ(entry(0)->toolTip(), "Payload Identification, HANC space");
    EXPECT_EQ(column0(entry(0), ancValueRole), "1|9");
    const struct {
        int entry;
        const char* labels;
        const char* toolTips;
    } rows[] = {
        {0, "Link A Y-Pos|Link B Y-Pos", "Link A Y Position|Link B Y Position"},
        {2, "C-Pos|Y-Pos", "C Position|Y Position"},  // a single link needs no label
        {3, "1 C-Pos|1 Y-Pos|2 C-Pos|4 Y-Pos",
         "Sub-Image 1C Position|Sub-Image 1Y Position|Sub-Image 2C Position|Sub-Image 4Y Position"},
        {4, "Link A C-Pos|Link B Y-Pos",
         "Sub-Image 2Link A C Position|Sub-Image 2Link B Y Position"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(column0(entry(r.entry)), r.labels);
        EXPECT_EQ(column0(entry(r.entry), Qt::ToolTipRole), r.toolTips);
    }

    // Presence with the event's details below it; errors in columns 2 to 4.
    // Type 2 packets have no data block number.
    EXPECT_EQ(cells(entry(0), 0), "Present|OK|OK|-");
    EXPECT_EQ(cells(entry(1), 1), "Present|OK|OK|OK");
    QStandardItem* presence = entry(0)->child(0, 1);
    EXPECT_EQ(presence->data(ancValueRole).toInt(), 2);
    EXPECT_EQ(column0(presence), "Present|First Seen|Last Seen");
    EXPECT_EQ(column0(presence->child(2, 0)), "12|13");
}

TEST_F(StatusTree, RepeatedCallsUpdateInPlace) {
    const auto three =
        ancDocument({ancEntry(2, 0x41, 0x01, {ancStatus(1, 2), ancStatus(9, 2), ancStatus(3, 2)}),
                     ancEntry(2, 0x60, 0x60, {ancStatus(1, 2), ancStatus(9, 2)}),
                     ancEntry(1, 0xE7, 0, {ancStatus(0, 1), ancStatus(8, 1)})});
    build(three);
    QStandardItem* first = entry(0);
    const QStandardItem* cells[] = {first->child(0, 0), first->child(0, 1)};
    build(three);
    EXPECT_EQ(entry(0), first);
    EXPECT_EQ(first->child(0, 0), cells[0]);
    EXPECT_EQ(first->child(0, 1), cells[1]);
    EXPECT_EQ(column0(first), "Link A Y-Pos|Link B Y-Pos|Link A Y-Pos");

    build(ancDocument({ancEntry(2, 0x41, 0x01, {ancStatus(1, 2), ancStatus(9, 2)}),
                       ancEntry(2, 0x60, 0x60, {ancStatus(1, 2), ancStatus(9, 2, never)})}));
    ASSERT_EQ(root()->rowCount(), 2);
    EXPECT_EQ(entry(0), first);
    EXPECT_EQ(first->rowCount(), 2);
    QStandardItem* gone = entry(1)->child(1, 1);
    EXPECT_EQ(gone->text(), "Not Present");
    EXPECT_EQ(gone->data(ancValueRole).toInt(), 0);
    EXPECT_EQ(gone->rowCount(), 0);

    build(ancDocument({}));
    EXPECT_EQ(root()->rowCount(), 0);
}

TEST_F(StatusTree, SingleInterfaceFoldsIntoTheEntryRow) {
    const auto single = ancDocument({ancEntry(1, 0xE2, 0, {ancStatus(0, 1, now, never, now)})});
    for (int pass = 0; pass < 2; ++pass) {
        build(single);
        EXPECT_EQ(entry(0)->rowCount(), 0);
        EXPECT_EQ(cells(root(), 0), "Present (C-Pos)|OK|Error|OK");
        EXPECT_EQ(root()->child(0, 1)->toolTip(), "C Position");
        EXPECT_EQ(colourOf(root()->child(0, 3), palette), 'R');
        EXPECT_EQ(colourOf(entry(0), palette), 'R');
    }

    // Growing to two interfaces moves the details back down a level.
    build(ancDocument({ancEntry(1, 0xE2, 0, {ancStatus(0, 1), ancStatus(8, 1)})}));
    EXPECT_EQ(entry(0)->rowCount(), 2);
    EXPECT_EQ(cells(root(), 0), "-|-|-|-");
}

TEST_F(StatusTree, ErrorCellsFollowTheirEvent) {
    struct Step {
        Presence parity;
        const char* text;
        int value;
        int detailRows;
        char colour;
    } steps[] = {
        {now, "Error", 2, 3, 'R'},
        {before, "Previous Error", 1, 3, 'Y'},
        // A monitor reset clears the error; the cell keeps its last colour.
        {never, "OK", 0, 0, 'Y'},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.text);
        build(ancDocument({ancEntry(
            1, 0xE6, 0, {ancStatus(0, 1, now, before), ancStatus(8, 1, now, never, s.parity)})}));
        const QStandardItem* cell = entry(0)->child(1, 3);
        EXPECT_EQ(cell->text(), s.text);
        EXPECT_EQ(cell->data(ancValueRole).toInt(), s.value);
        EXPECT_EQ(cell->rowCount(), s.detailRows);
        EXPECT_EQ(colourOf(cell, palette), s.colour);
        // An earlier checksum error on the other interface stays a warning.
        EXPECT_EQ(colourOf(entry(0)->child(0, 2), palette), 'Y');
    }
    // A cell that never saw an error keeps the bright text it started with.
    EXPECT_EQ(entry(0)->child(0, 3)->foreground(), palette.brush(QPalette::BrightText));
}

// Hand-built tree: entry (top level) with two interface rows A and B, each
// with a cell in column 2. A step is written "<op><cell><result><colours>":
// op 'E'rror, 'W'arning, 'N'either, 'P'resent or 'C'leared, on cell 'a' or
// 'b', the call's result (0 or 1), then the colours of entry, rowA, cellA,
// rowB and cellB.
TEST(StatusColourPropagator, ScenariosKeepErrorsAndColouredChildren) {
    const std::pair<const char*, const char*> scenarios[] = {
        {"neither changes nothing", "Na0-----"},
        {"error then warning on sibling", "Ea1RRR-- Wb0RRRYY"},
        {"warning then error", "Wb0Y--YY Ea1RRRYY"},
        {"error paints every ancestor, again is a no-op", "Ea1RRR-- Ea1RRR--"},
        {"present stops at red", "Ea1RRR-- Pb1RRRWW"},
        {"present is white, clearing keeps a parent with a white child",
         "Pa1WWW-- Pb1WWWWW Ca0WNNWW Cb0NNNNN"},
        {"warning is yellow, clearing stops at it", "Wa0YYY-- Cb0YYYNN"},
    };
    QPalette palette = testPalette();
    for (const auto& [name, steps] : scenarios) {
        SCOPED_TRACE(name);
        QStandardItemModel model;
        auto* e = new QStandardItem("entry");
        model.appendRow(e);
        e->setChild(0, 0, new QStandardItem("A"));
        e->setChild(0, 2, new QStandardItem("a"));
        e->setChild(1, 0, new QStandardItem("B"));
        e->setChild(1, 2, new QStandardItem("b"));
        const QStandardItem* items[] = {e, e->child(0, 0), e->child(0, 2), e->child(1, 0),
                                        e->child(1, 2)};
        for (const QString& step : QString(steps).split(' ')) {
            const char op = step[0].toLatin1();
            QStandardItem* target = e->child(step[1] == 'a' ? 0 : 1, 2);
            const bool result =
                op == 'P' || op == 'C'
                    ? StatusColourPropagator::PropagatePresence(target, op == 'P', palette)
                    : StatusColourPropagator::ValidateAndPropagateErrorWarning(target, op == 'E',
                                                                               op == 'W', palette);
            QString colours = QString::number(result);
            for (const QStandardItem* item : items) {
                colours += colourOf(item, palette);
            }
            EXPECT_EQ(colours, step.mid(2)) << step.toStdString();
        }
    }
}
