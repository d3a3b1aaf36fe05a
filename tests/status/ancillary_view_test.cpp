// Runs corvane-ancillary-view offscreen on the shipped example and checks the
// colours of its rows in the saved screenshot.

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QMap>
#include <QRect>
#include <QTemporaryDir>

#include "support/ProgramRun.h"

namespace {

Corvane::Testing::ProgramRun runViewer(const QStringList& arguments) {
    return Corvane::Testing::runProgram(QStringLiteral(CORVANE_VIEWER), arguments);
}

struct Colours {
    int red = 0;
    int yellow = 0;
};

Colours coloursIn(const QImage& image, const QRect& rect) {
    Colours c;
    const QRect area = rect & image.rect();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.red() >= 180 && pixel.blue() <= 80) {
                c.red += pixel.green() < 80;
                c.yellow += pixel.green() > 180;
            }
        }
    }
    return c;
}

}  // namespace

TEST(AncillaryView, ScreenshotShowsErrorsRedAndEarlierErrorsYellow) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString png = dir.filePath("view.png");
    const auto run =
        runViewer({"--screenshot", png, "--print-rows", QStringLiteral(CORVANE_VIEWER_EXAMPLE)});
    ASSERT_EQ(run.exitCode, 0) << run.err;

    QMap<QString, QRect> rows;
    for (const QString& line : QString::fromStdString(run.out).split('\n', Qt::SkipEmptyParts)) {
        const QStringList parts = line.split('\t');
        ASSERT_EQ(parts.size(), 2) << line.toStdString();
        const QStringList numbers = parts[1].split(' ');
        ASSERT_EQ(numbers.size(), 4);
        rows.insert(parts[0], QRect(numbers[0].toInt(), numbers[1].toInt(), numbers[2].toInt(),
                                    numbers[3].toInt()));
    }
    const QImage image(png);
    ASSERT_FALSE(image.isNull());

    struct Expect {
        const char* row;
        bool red;
        bool yellow;
    } expectations[] = {
        {"Audio Group 2 (E6h)", true, false},  // parity error now
        {"Audio Group 2 (E6h)/Link B C-Pos", true, false},
        {"Audio Group 2 (E6h)/Link A C-Pos", false, false},
        {"Audio Group 3 (E5h)", false, true},  // earlier checksum error
        {"Audio Group 3 (E5h)/Link A C-Pos", false, true},
        {"Audio Group 3 (E5h)/Link B C-Pos", false, false},
        {"S352 Payload ID (41h 01h)", false, false},
        {"DID:52h SDID:11h (52h 11h)", false, false},  // unknown packet type
    };
    for (const Expect& e : expectations) {
        ASSERT_TRUE(rows.contains(e.row)) << e.row;
        const Colours c = coloursIn(image, rows.value(e.row));
        EXPECT_EQ(c.red > 20, e.red) << e.row << " red pixels " << c.red;
        EXPECT_EQ(c.yellow > 20, e.yellow) << e.row << " yellow pixels " << c.yellow;
    }
}

TEST(AncillaryView, CommandLine) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString broken = dir.filePath("broken.json");
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\"ancillaryStatusEntryArray\": [1, 2]}");
    file.close();

    struct Case {
        QStringList arguments;
        int exitCode;
        const char* inOutput;
    } cases[] = {
        {{"--help"}, 0, "--screenshot"},
        {{}, 2, "expected exactly one document file"},
        {{"--screenshot", dir.filePath("x.png"), dir.filePath("missing.json")}, 1, "cannot open"},
        {{"--screenshot", dir.filePath("x.png"), broken}, 1, "must be an object"},
        {{"--print-rows", broken}, 2, "--print-rows needs --screenshot"},
        {{"--frobnicate"}, 2, "frobnicate"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        Corvane::Testing::expectRun(runViewer(c.arguments), c.exitCode, c.inOutput);
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("x.png")));
}
