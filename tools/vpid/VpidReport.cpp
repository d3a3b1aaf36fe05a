#include "VpidReport.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <memory>

#include "sdi/PayloadIdentifierFactory.h"
#include "sdi/SdiUtility.h"

namespace Corvane::Vpid {

using namespace Corvane::Sdi;
using FieldType = PayloadIdentifierBase::FieldType;

namespace {

QString hexWord(std::uint32_t word) {
    return QStringLiteral("0x%1").arg(word, 8, 16, QLatin1Char('0')).toUpper().replace("0X", "0x");
}

QString hexByte(unsigned int byte) {
    return QStringLiteral("0x%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper().replace("0X", "0x");
}

QString scanningBitMeaning(int value) {
    return value == 1 ? QStringLiteral("progressive") : QStringLiteral("interlaced");
}

// The value of field `type` and what it means on this identifier's interface.
std::pair<int, QString> fieldValue(const PayloadIdentifierBase& id, FieldType type) {
    using namespace SdiUtility;
    switch (type) {
        case FieldType::PayloadAndDigitalInterface: {
            const int code = static_cast<int>(id.getPayloadAndDigitialInterface());
            const auto* known =
                PayloadIdentifierFactory::findInterface(static_cast<std::uint8_t>(code));
            return {code, known ? known->description : "unknown interface"};
        }
        case FieldType::SampleStructure: {
            const auto v = id.getSampleStructure();
            return {static_cast<int>(v), sampleStructureToString(v)};
        }
        case FieldType::PictureRate: {
            const auto v = id.getPictureRate();
            const int code = static_cast<int>(v);
            if (code < 2) {
                return {code, code == 0 ? "none" : "reserved"};
            }
            return {code,
                    QString(convertPictureRateToString(v, PayloadId::PictureFormat::Progressive)) +
                        " frames/s"};
        }
        case FieldType::PictureInterlaced: {
            const int v = static_cast<int>(id.getPictureInterlaced());
            return {v, scanningBitMeaning(v) + " picture"};
        }
        case FieldType::TransportInterlaced: {
            const int v = static_cast<int>(id.getTransportInterlaced());
            return {v, scanningBitMeaning(v) + " transport"};
        }
        case FieldType::BitDepth: {
            static const char* texts[] = {"10-bit full range", "10-bit", "12-bit",
                                          "12-bit full range"};
            const int v = static_cast<int>(id.getBitDepth());
            return {v, v >= 0 && v < 4 ? texts[v] : ""};
        }
        case FieldType::AspectRatio: {
            const int v = static_cast<int>(id.getAspectRatio());
            return {v, v == 1 ? "16:9" : "4:3"};
        }
        case FieldType::HorizontalArraySize: {
            const int v = static_cast<int>(id.getHorizontalArraySize());
            return {
                v,
                QStringLiteral("%1 pixels per line").arg(id.getReconstructedImageWidthInPixels())};
        }
        case FieldType::Colourimetry: {
            const auto v = id.getColourimetry();
            return {static_cast<int>(v), colourimetryToString(v)};
        }
        case FieldType::TransferCharacteristics: {
            const auto v = id.getTransferCharacteristics();
            return {static_cast<int>(v), transferCurveToString(v)};
        }
        case FieldType::LuminanceAndColourDifferenceSignal: {
            const auto v = id.getLuminanceAndColourDifferenceSignal();
            return {static_cast<int>(v), luminanceAndColourDifferenceSignalToString(v)};
        }
        case FieldType::Channel: {
            const int v = static_cast<int>(id.getChannel());
            return {v, QStringLiteral("link or stream %1").arg(v + 1)};
        }
        case FieldType::AudioCopyStatus: {
            const int v = static_cast<int>(id.getAudioCopyStatus());
            return {v, v == 1 ? "copy status set" : "copy status clear"};
        }
    }
    return {0, QString()};
}

QJsonArray toJson(const QStringList& texts) {
    return QJsonArray::fromStringList(texts);
}

QJsonArray toJson(const std::vector<unsigned int>& values) {
    QJsonArray array;
    for (unsigned int v : values) {
        array.append(static_cast<qint64>(v));
    }
    return array;
}

QString joined(const QJsonArray& values, const QString& separator) {
    QStringList texts;
    for (const QJsonValue& v : values) {
        texts << (v.isString() ? v.toString() : QString::number(v.toVariant().toLongLong()));
    }
    return texts.join(separator);
}

QString mappingText(SubImagePixelMappingFormat mapping) {
    return mapping == SubImagePixelMappingFormat::None
               ? QStringLiteral("none")
               : SdiUtility::subImagePixelMappingFormatToString(mapping);
}

// Identifiers a whole standard of this kind holds: two per sub-image at 3G
// and faster, one at 1.5G; 1080-line identifiers may also describe the four
// quadrants of a 2160-line picture.
std::vector<std::size_t> completeCounts(const PayloadIdentifierBase& first) {
    const std::size_t perSubImage =
        StandardFromPayloadIdentifier::standardsAtSpigotRateHaveTwoPayloadIdentifiersPerLane(
            first.getDataRatePerPhysicalConnection())
            ? 2
            : 1;
    std::vector<std::size_t> counts{first.getNumSubPictures() * perSubImage};
    if (StandardFromPayloadIdentifier::fitsQuadrantMode(first)) {
        counts.push_back(4 * perSubImage);
    }
    return counts;
}

}  // namespace

std::optional<std::uint32_t> parseWord(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^(?:0[xX])?([0-9A-Fa-f]{1,8})$"));
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    bool ok = false;
    const std::uint32_t word = match.captured(1).toUInt(&ok, 16);
    return ok ? std::optional<std::uint32_t>(word) : std::nullopt;
}

QJsonObject describeIdentifier(const PayloadIdentifierBase& id) {
    const auto* known = PayloadIdentifierFactory::findInterface(id.getByte(0));
    QJsonObject out;
    out["word"] = hexWord(id.getWord());
    out["byte1"] = id.getByte(0);
    out["class"] = known ? known->className : "";
    out["interface"] = known ? known->description : "";
    out["text"] = id.toHumanReadable(false);

    QJsonArray fields;
    for (const auto& [type, field] : id.getFieldMap()) {
        QJsonArray bits;
        for (PayloadIdentifierField::Bit bit : field.bits) {
            bits.append(static_cast<int>(bit));
        }
        const auto [value, meaning] = fieldValue(id, type);
        fields.append(QJsonObject{{"name", PayloadIdentifierFactory::fieldTypeName(type)},
                                  {"byte", field.byteIndex + 1},
                                  {"bits", bits},
                                  {"value", value},
                                  {"meaning", meaning}});
    }
    out["fields"] = fields;
    out["reservedBits"] = toJson(id.doReservedBitsChecks());
    const QStringList problems = id.doSmpteValidationChecks();
    out["validation"] = toJson(problems);
    out["valid"] = problems.isEmpty();

    const unsigned int kind = id.getPicutreInterlacedProgressivePsf();
    out["geometry"] = QJsonObject{
        {"links", static_cast<int>(id.getNumPhysicalConnections())},
        {"rate", SdiUtility::sdiDataRateToString(id.getDataRatePerPhysicalConnection())},
        {"level", SdiUtility::levelToString(id.getLevel())},
        {"subImages", static_cast<int>(id.getNumSubPictures())},
        {"mapping", mappingText(id.getSubImagePixelMappingFormat())},
        {"scanning", SdiUtility::scanningKindToString(kind)},
        {"fieldHeights", toJson(id.getFieldHeights())},
        {"firstActiveLines", toJson(id.getFieldFirstLineNumbersOfActivePicture())},
        {"activeWidthSamples", static_cast<int>(id.getFieldActivePictureWidthInSamples())},
        {"activeHeight", static_cast<int>(id.getFieldActivePictureHeight())},
        {"pictureWidth", static_cast<int>(id.getReconstructedImageWidthInPixels())},
        {"pictureHeight", static_cast<int>(id.getReconstructedImageHeightInPixels())},
    };
    return out;
}

QJsonObject describeStandard(const StandardFromPayloadIdentifier& standard) {
    const auto [width, height] = standard.getReconsutructedImageDimensionsInPixels();
    const unsigned int frameHeight = standard.getSubImageFrameHeight();
    const std::size_t fields = standard.getPayloadIdentifiers().front()->getFieldHeights().size();
    QJsonObject timing{
        {"frameWidth", static_cast<int>(standard.getSubImageFrameWidth())},
        {"frameHeight", static_cast<int>(frameHeight)},
        {"activeWidth", static_cast<int>(standard.getSubImageActiveWidth())},
        {"activeHeight", static_cast<int>(standard.getSubImageActiveHeight())},
        {"pixelRateHz", static_cast<qint64>(standard.getSubPicuturePixelRateInHz())},
        {"horizontalBlanking",
         static_cast<int>(standard.getReconstructedPictureHorizontalblankingSize(
             false, SubImagePixelMappingFormat::None))},
        {"verticalBlanking",
         static_cast<int>(frameHeight - standard.getSubImageActiveHeight() * fields)},
        {"firstActiveLine", static_cast<int>(standard.getFirstLineOfActivePicture(
                                false, SubImagePixelMappingFormat::None))},
        {"samplesFromLine1To0H",
         static_cast<int>(standard.getNumberOfPixelsFromStartOfLine1To0H())},
    };
    const SdiDataRate linkRate =
        standard.getPayloadIdentifiers().front()->getDataRatePerPhysicalConnection();
    return QJsonObject{
        {"shortText", standard.getStandardAsShortText()},
        {"reference", standard.getStandardAsReferenceString()},
        {"pictureWidth", static_cast<int>(width)},
        {"pictureHeight", static_cast<int>(height)},
        {"links", static_cast<int>(standard.getNumberOfPhysicalLinks())},
        {"linkRate", SdiUtility::sdiDataRateToString(linkRate)},
        {"totalRate", SdiUtility::sdiDataRateToString(standard.getTotalDataRate())},
        {"subImages", static_cast<int>(standard.getSubImageCount())},
        {"mapping", mappingText(standard.getSubimagePixelMappingFormat())},
        {"quadrantMode", standard.isQuadrantMode()},
        {"timing", timing},
    };
}

QJsonObject decodeWords(const std::vector<std::uint32_t>& words) {
    QJsonArray identifiers;
    StandardFromPayloadIdentifier::PayloadIdentifierList list;
    bool allKnown = true;
    for (std::uint32_t word : words) {
        PayloadIdentifierPtr id = PayloadIdentifierFactory::create(word);
        if (!id) {
            allKnown = false;
            identifiers.append(QJsonObject{
                {"word", hexWord(word)},
                {"byte1", static_cast<int>(word >> 24)},
                {"error", QStringLiteral("unknown payload and digital interface code %1 in byte 1")
                              .arg(hexByte(word >> 24))}});
            continue;
        }
        identifiers.append(describeIdentifier(*id));
        list.push_back(std::move(id));
    }

    QJsonObject report{{"identifiers", identifiers}, {"complete", false}};
    if (!allKnown || list.empty()) {
        report["note"] = QStringLiteral("no standard: not every identifier could be decoded");
        return report;
    }
    for (const PayloadIdentifierPtr& id : list) {
        if (!id->compareForVideoStandard(*list.front(), false)) {
            report["note"] =
                QStringLiteral("no standard: the identifiers describe different video");
            return report;
        }
    }
    const std::vector<std::size_t> counts = completeCounts(*list.front());
    // An interface without a channel field carries the very same identifier
    // on every data stream, so the one word read off the wire is the whole
    // standard's: repeat it rather than ask for copies of it.
    if (list.size() == 1 && counts.front() > 1 &&
        !list.front()->hasField(PayloadIdentifierBase::FieldType::Channel)) {
        list.resize(counts.front(), list.front());
        report["note"] =
            QStringLiteral("the same identifier on all %1 data streams").arg(counts.front());
    }
    if (std::find(counts.begin(), counts.end(), list.size()) == counts.end()) {
        report["note"] = QStringLiteral(
                             "incomplete: %1 identifier(s) given, the whole standard has "
                             "%2; give them all, in link order, for its timing")
                             .arg(list.size())
                             .arg(counts.front());
        return report;
    }
    const auto standard = StandardFromPayloadIdentifier::createStandardFromPayloadIdentifier(list);
    if (!standard) {
        report["note"] = QStringLiteral("no standard: an identifier has the wrong interface code");
        return report;
    }
    report["complete"] = true;
    report["standard"] = describeStandard(*standard);
    return report;
}

QJsonArray listStandards(const SupportedVideoStandards::StandardPointers& standards) {
    QJsonArray rows;
    int index = 0;
    for (const StandardFromPayloadIdentifier* standard : standards) {
        QJsonArray words;
        for (std::uint32_t word : standard->getPayloadIdentifierWords()) {
            words.append(hexWord(word));
        }
        const SdiDataRate linkRate =
            standard->getPayloadIdentifiers().front()->getDataRatePerPhysicalConnection();
        rows.append(QJsonObject{
            {"index", index++},
            {"reference", standard->getStandardAsReferenceString()},
            {"shortText", standard->getStandardAsShortText()},
            {"links", static_cast<int>(standard->getNumberOfPhysicalLinks())},
            {"linkRate", SdiUtility::sdiDataRateToString(linkRate)},
            {"words", words},
        });
    }
    return rows;
}

QString formatDecodeReport(const QJsonObject& report) {
    QStringList lines;
    const QJsonArray identifiers = report["identifiers"].toArray();
    for (int i = 0; i < identifiers.size(); ++i) {
        const QJsonObject id = identifiers[i].toObject();
        lines << QStringLiteral("Identifier %1 of %2: %3")
                     .arg(i + 1)
                     .arg(identifiers.size())
                     .arg(id["word"].toString());
        if (id.contains("error")) {
            lines << "  error: " + id["error"].toString();
            continue;
        }
        lines << id["text"].toString();
        lines << QStringLiteral("  interface %1 %2: %3")
                     .arg(hexByte(id["byte1"].toInt()), id["class"].toString(),
                          id["interface"].toString());
        lines << "  fields:";
        for (const QJsonValue& v : id["fields"].toArray()) {
            const QJsonObject f = v.toObject();
            const QString where = QStringLiteral("byte %1 bit%2 %3")
                                      .arg(f["byte"].toInt())
                                      .arg(f["bits"].toArray().size() == 1 ? "" : "s")
                                      .arg(joined(f["bits"].toArray(), ","));
            lines << QStringLiteral("    %1 %2 %3  %4")
                         .arg(f["name"].toString(), -36)
                         .arg(where, -27)
                         .arg(f["value"].toInt(), 4)
                         .arg(f["meaning"].toString());
        }
        const QJsonArray reserved = id["reservedBits"].toArray();
        lines << (reserved.isEmpty() ? QStringLiteral("  reserved bits: none set")
                                     : "  warning: " + joined(reserved, "\n  warning: "));
        const QJsonArray problems = id["validation"].toArray();
        lines << (problems.isEmpty() ? QStringLiteral("  validation: valid")
                                     : "  invalid: " + joined(problems, "\n  invalid: "));
        const QJsonObject g = id["geometry"].toObject();
        lines << QStringLiteral(
                     "  geometry: %1 link(s) at %2, level %3, %4 sub-image(s), mapping "
                     "%5, scanning %6")
                     .arg(g["links"].toInt())
                     .arg(g["rate"].toString(), g["level"].toString())
                     .arg(g["subImages"].toInt())
                     .arg(g["mapping"].toString(), g["scanning"].toString());
        lines << QStringLiteral(
                     "    field heights %1; first active lines %2; active %3 samples x "
                     "%4 lines; picture %5x%6")
                     .arg(joined(g["fieldHeights"].toArray(), ", "),
                          joined(g["firstActiveLines"].toArray(), ", "))
                     .arg(g["activeWidthSamples"].toInt())
                     .arg(g["activeHeight"].toInt())
                     .arg(g["pictureWidth"].toInt())
                     .arg(g["pictureHeight"].toInt());
    }
    if (!report["complete"].toBool()) {
        lines << "Standard: " + report["note"].toString();
        return lines.join('\n') + '\n';
    }
    const QJsonObject s = report["standard"].toObject();
    const QJsonObject t = s["timing"].toObject();
    lines << "Standard: " + s["shortText"].toString();
    if (report.contains("note")) {
        lines << "  (" + report["note"].toString() + ")";
    }
    lines << "  reference " + s["reference"].toString();
    lines << QStringLiteral("  %1 link(s) at %2, total %3; %4 sub-image(s), mapping %5")
                 .arg(s["links"].toInt())
                 .arg(s["linkRate"].toString(), s["totalRate"].toString())
                 .arg(s["subImages"].toInt())
                 .arg(s["mapping"].toString());
    lines << QStringLiteral(
                 "  timing per sub-image: frame %1 x %2, active %3 x %4, pixel rate "
                 "%5 Hz")
                 .arg(t["frameWidth"].toInt())
                 .arg(t["frameHeight"].toInt())
                 .arg(t["activeWidth"].toInt())
                 .arg(t["activeHeight"].toInt())
                 .arg(t["pixelRateHz"].toVariant().toLongLong());
    lines << QStringLiteral(
                 "  blanking: horizontal %1 samples, vertical %2 lines; first active "
                 "line %3; 0H at sample %4")
                 .arg(t["horizontalBlanking"].toInt())
                 .arg(t["verticalBlanking"].toInt())
                 .arg(t["firstActiveLine"].toInt())
                 .arg(t["samplesFromLine1To0H"].toInt());
    return lines.join('\n') + '\n';
}

QString formatStandardList(const QJsonArray& rows) {
    QString out;
    for (const QJsonValue& v : rows) {
        const QJsonObject row = v.toObject();
        out += QStringLiteral("%1  %2 %3 %4  %5\n")
                   .arg(row["index"].toInt(), 4)
                   .arg(row["reference"].toString(), -11)
                   .arg(row["shortText"].toString(), -52)
                   .arg(QStringLiteral("%1x%2")
                            .arg(row["links"].toInt())
                            .arg(row["linkRate"].toString()),
                        -6)
                   .arg(joined(row["words"].toArray(), " "));
    }
    return out;
}

}  // namespace Corvane::Vpid
