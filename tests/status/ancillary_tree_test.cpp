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
QStringList cells(const QStandardItem* parent, int row) {
    QStringList texts;
    for (int column = 1; column <= 4; ++column) {
        const QStandardItem* item = parent->child(row, column);
        texts << (item ? item->text() : QStringLiteral("-"));
    }
    return texts;
}

QStringList column0(const QStandardItem* parent, int role = Qt::DisplayRole) {
    QStringList texts;
    for (int row = 0; row < parent->rowCount(); ++row) {
        texts << parent->child(row, 0)->data(role).toString();
    }
    return texts;
}

class StatusTree : public ::testing::Test {
protected:
    void build(const AncillaryStatusEntryArrayJsonData& d) { d.toStandardItem(root(), palette); }
    QStandardItem* root() { return model.invisibleRootItem(); }

    QStandardItemModel model;
    QPalette palette = testPalette();
};

}  // namespace

TEST_F(StatusTree, EntryRowsCarryTitleKeyAndTwoLinkLabels) {
    // The key of a type 1 packet ignores the SDID.
    build(ancDocument({ancEntry(2, 0x41, 0x01, {ancStatus(1, 2), ancStatus(9, 2)}),
                       ancEntry(1, 0xE7, 0x05, {ancStatus(0, 1), ancStatus(8, 1)}),
                       ancEntry(2, 0x07, 0x1F, {ancStatus(0, 2), ancStatus(1, 2)})}));
    ASSERT_EQ(root()->rowCount(), 3);
    EXPECT_EQ(column0(root()), QStringList({"S352 Payload ID (41h 01h)", "Audio Group 1 (E7h)",
                                            "DID:7h SDID:1Fh (07h 1Fh)"}));
    QStandardItem* st352 = root()->child(0, 0);
    EXPECT_EQ(st352->toolTip(), "Payload Identification, HANC space");
    EXPECT_EQ(st352->data(ancValueRole).toInt(), 0x0141);
    EXPECT_EQ(root()->child(1, 0)->data(ancValueRole).toInt(), 0x00E7);

    EXPECT_EQ(column0(st352), QStringList({"Link A Y-Pos", "Link B Y-Pos"}));
    EXPECT_EQ(column0(st352, Qt::ToolTipRole),
              QStringList({"Link A Y Position", "Link B Y Position"}));
    EXPECT_EQ(st352->child(1, 0)->data(ancValueRole).toInt(), 9);
    // A single link needs no label.
    EXPECT_EQ(column0(root()->child(2, 0)), QStringList({"C-Pos", "Y-Pos"}));

    // Presence with the event's details below it; errors in columns 2 to 4.
    // Type 2 packets have no data block number.
    EXPECT_EQ(cells(st352, 0), QStringList({"Present", "OK", "OK", "-"}));
    EXPECT_EQ(cells(root()->child(1, 0), 1), QStringList({"Present", "OK", "OK", "OK"}));
    QStandardItem* presence = st352->child(0, 1);
    EXPECT_EQ(presence->data(ancValueRole).toInt(), 2);
    ASSERT_EQ(presence->rowCount(), 3);
    EXPECT_EQ(column0(presence), QStringList({"Present", "First Seen", "Last Seen"}));
    EXPECT_EQ(column0(presence->child(2, 0)), QStringList({"12", "13"}));
}

TEST_F(StatusTree, RepeatedCallsUpdateInPlace) {
    const auto three =
        ancDocument({ancEntry(2, 0x41, 0x01, {ancStatus(1, 2), ancStatus(9, 2), ancStatus(3, 2)}),
                     ancEntry(2, 0x60, 0x60, {ancStatus(1, 2), ancStatus(9, 2)}),
                     ancEntry(1, 0xE7, 0, {ancStatus(0, 1), ancStatus(8, 1)})});
    build(three);
    QStandardItem* first = root()->child(0, 0);
    QStandardItem* firstChild = first->child(0, 0);
    QStandardItem* presence = first->child(0, 1);
    build(three);
    EXPECT_EQ(root()->child(0, 0), first);
    EXPECT_EQ(first->child(0, 0), firstChild);
    EXPECT_EQ(first->child(0, 1), presence);
    EXPECT_EQ(column0(first), QStringList({"Link A Y-Pos", "Link B Y-Pos", "Link A Y-Pos"}));

    build(ancDocument({ancEntry(2, 0x41, 0x01, {ancStatus(1, 2), ancStatus(9, 2)}),
                       ancEntry(2, 0x60, 0x60, {ancStatus(1, 2), ancStatus(9, 2, never)})}));
    ASSERT_EQ(root()->rowCount(), 2);
    EXPECT_EQ(root()->child(0, 0), first);
    EXPECT_EQ(first->rowCount(), 2);
    QStandardItem* gone = root()->child(1, 0)->child(1, 1);
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
        QStandardItem* e = root()->child(0, 0);
        EXPECT_EQ(e->rowCount(), 0);
        EXPECT_EQ(cells(root(), 0), QStringList({"Present (C-Pos)", "OK", "Error", "OK"}));
        EXPECT_EQ(root()->child(0, 1)->toolTip(), "C Position");
        EXPECT_EQ(colourOf(root()->child(0, 3), palette), 'R');
        EXPECT_EQ(colourOf(e, palette), 'R');
    }

    // Growing to two interfaces moves the details back down a level.
    build(ancDocument({ancEntry(1, 0xE2, 0, {ancStatus(0, 1), ancStatus(8, 1)})}));
    EXPECT_EQ(root()->child(0, 0)->rowCount(), 2);
    EXPECT_EQ(cells(root(), 0), QStringList({"-", "-", "-", "-"}));
}

TEST_F(StatusTree, SubImageToolTipsAndPrefixes) {
    const auto d =
        ancDocument({ancEntry(2, 0x41, 0x01,
                              {ancStatus(0, 2), ancStatus(1, 2), ancStatus(2, 2), ancStatus(7, 2)}),
                     ancEntry(2, 0x41, 0x01, {ancStatus(2, 2), ancStatus(11, 2)})});
    build(d);
    build(d);
    const QStandardItem* single = root()->child(0, 0);
    EXPECT_EQ(column0(single), QStringList({"1 C-Pos", "1 Y-Pos", "2 C-Pos", "4 Y-Pos"}));
    EXPECT_EQ(column0(single, Qt::ToolTipRole),
              QStringList({"Sub-Image 1C Position", "Sub-Image 1Y Position",
                           "Sub-Image 2C Position", "Sub-Image 4Y Position"}));
    const QStandardItem* twoLinks = root()->child(1, 0);
    EXPECT_EQ(column0(twoLinks), QStringList({"Link A C-Pos", "Link B Y-Pos"}));
    EXPECT_EQ(column0(twoLinks, Qt::ToolTipRole),
              QStringList({"Sub-Image 2Link A C Position", "Sub-Image 2Link B Y Position"}));
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
        build(ancDocument({ancEntry(
            1, 0xE6, 0, {ancStatus(0, 1, now, before), ancStatus(8, 1, now, never, s.parity)})}));
        const QStandardItem* cell = root()->child(0, 0)->child(1, 3);
        EXPECT_EQ(cell->text(), s.text);
        EXPECT_EQ(cell->data(ancValueRole).toInt(), s.value);
        EXPECT_EQ(cell->rowCount(), s.detailRows);
        EXPECT_EQ(colourOf(cell, palette), s.colour) << s.text;
        // An earlier checksum error on the other interface stays a warning.
        EXPECT_EQ(colourOf(root()->child(0, 0)->child(0, 2), palette), 'Y');
    }
    // A cell that never saw an error keeps the bright text it started with.
    EXPECT_EQ(root()->child(0, 0)->child(0, 3)->foreground(), palette.brush(QPalette::BrightText));
}

// Hand-built tree: entry (top level) with two interface rows A and B, each
// with a cell in column 2. Colours listed as entry, rowA, cellA, rowB, cellB.
TEST(StatusColourPropagator, ScenariosKeepErrorsAndColouredChildren) {
    enum Op { Error, Warning, Neither, Present, Cleared };
    struct Step {
        Op op;
        char target;  // 'a' cellA, 'b' cellB
        bool result;
        const char* colours;
    };
    struct Scenario {
        const char* name;
        std::vector<Step> steps;
    } scenarios[] = {
        {"neither changes nothing", {{Neither, 'a', false, "-----"}}},
        {"error then warning on sibling",
         {{Error, 'a', true, "RRR--"}, {Warning, 'b', false, "RRRYY"}}},
        {"warning then error", {{Warning, 'b', false, "Y--YY"}, {Error, 'a', true, "RRRYY"}}},
        {"error paints every ancestor, again is a no-op",
         {{Error, 'a', true, "RRR--"}, {Error, 'a', true, "RRR--"}}},
        {"present stops at red", {{Error, 'a', true, "RRR--"}, {Present, 'b', true, "RRRWW"}}},
        {"present is white, clearing keeps a parent with a white child",
         {{Present, 'a', true, "WWW--"},
          {Present, 'b', true, "WWWWW"},
          {Cleared, 'a', false, "WNNWW"},
          {Cleared, 'b', false, "NNNNN"}}},
        {"warning is yellow, clearing stops at it",
         {{Warning, 'a', false, "YYY--"}, {Cleared, 'b', false, "YYYNN"}}},
    };
    QPalette palette = testPalette();
    for (const Scenario& scenario : scenarios) {
        SCOPED_TRACE(scenario.name);
        QStandardItemModel model;
        auto* e = new QStandardItem("entry");
        model.appendRow(e);
        e->setChild(0, 0, new QStandardItem("A"));
        e->setChild(0, 2, new QStandardItem("a"));
        e->setChild(1, 0, new QStandardItem("B"));
        e->setChild(1, 2, new QStandardItem("b"));
        const QStandardItem* items[] = {e, e->child(0, 0), e->child(0, 2), e->child(1, 0),
                                        e->child(1, 2)};
        for (const Step& step : scenario.steps) {
            QStandardItem* target = step.target == 'a' ? e->child(0, 2) : e->child(1, 2);
            const bool result =
                step.op >= Present
                    ? StatusColourPropagator::PropagatePresence(target, step.op == Present, palette)
                    : StatusColourPropagator::ValidateAndPropagateErrorWarning(
                          target, step.op == Error, step.op == Warning, palette);
            std::string colours;
            for (const QStandardItem* item : items) {
                colours += colourOf(item, palette);
            }
            EXPECT_EQ(result, step.result);
            EXPECT_EQ(colours, step.colours);
        }
    }
}
