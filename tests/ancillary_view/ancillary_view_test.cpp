// Runs corvane-ancillary-view offscreen on the shipped example and checks the
// colours of its rows in the saved screenshot.

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QMap>
#include <QRect>
#include <QTemporaryDir>

#include "support/ProgramRun.h"

using Corvane::Testing::runProgram;

namespace {

// Red and yellow pixels (red high, blue low, green low or high) of a rectangle.
std::pair<int, int> redAndYellowIn(const QImage& image, const QRect& rect) {
    int red = 0, yellow = 0;
    const QRect area = rect & image.rect();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.red() >= 180 && pixel.blue() <= 80) {
                red += pixel.green() < 80;
                yellow += pixel.green() > 180;
            }
        }
    }
    return {red, yellow};
}

}  // namespace

TEST(AncillaryView, ScreenshotShowsErrorsRedAndEarlierErrorsYellow) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString png = dir.filePath("view.png");
    const auto run = runProgram(CORVANE_VIEWER, {"--screenshot", png, "--print-rows",
                                                 QStringLiteral(CORVANE_VIEWER_EXAMPLE)});
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

    // Each row 'R'ed, 'Y'ellow or neither.
    const std::pair<const char*, char> expectations[] = {
        {"Audio Group 2 (E6h)", 'R'},  // parity error now
        {"Audio Group 2 (E6h)/Link B C-Pos", 'R'},
        {"Audio Group 2 (E6h)/Link A C-Pos", '-'},
        {"Audio Group 3 (E5h)", 'Y'},  // earlier checksum error
        {"Audio Group 3 (E5h)/Link A C-Pos", 'Y'},
        {"Audio Group 3 (E5h)/Link B C-Pos", '-'},
        {"S352 Payload ID (41h 01h)", '-'},
        {"DID:52h SDID:11h (52h 11h)", '-'},  // unknown packet type
    };
    for (const auto& [row, colour] : expectations) {
        ASSERT_TRUE(rows.contains(row)) << row;
        const auto [red, yellow] = redAndYellowIn(image, rows.value(row));
        EXPECT_EQ(red > 20, colour == 'R') << row << " red pixels " << red;
        EXPECT_EQ(yellow > 20, colour == 'Y') << row << " yellow pixels " << yellow;
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
        Corvane::Testing::expectRun(runProgram(CORVANE_VIEWER, c.arguments), c.exitCode,
                                    c.inOutput);
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("x.png")));
}
