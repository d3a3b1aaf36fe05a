#include "sdi/StandardFromPayloadIdentifier.h"

#include <cmath>
#include <limits>
#include <numeric>
#include <stdexcept>
#include <tuple>

#include "app/Logging.h"
#include "sdi/SdiUtility.h"

namespace Corvane::Sdi {

namespace {

using PayloadId::BitDepth;
using PayloadId::PictureRate;
using PayloadId::SampleStructure;

constexpr unsigned int pixelRate74M25 = 74250000;
constexpr unsigned int pixelRate148M5 = 148500000;
constexpr unsigned int pixelRate27M = 27000000;
constexpr unsigned int linesPer1080Frame = 1125;

constexpr const char* metricsUnsupported =
    "StandardFromPayloadIdentifier::getTransmissionMetrics: Couldn't create metrics.";

unsigned int code(PictureRate rate) {
    return static_cast<unsigned int>(rate);
}

// Whole frames per second used for timing; the 1000/1001 rates share the
// line length of their integer neighbour.
unsigned int nominalFrameRate(PictureRate rate) {
    static constexpr unsigned int rates[] = {24, 24, 48, 25, 30,  30,  48,
                                             50, 60, 60, 96, 100, 120, 120};
    const unsigned int value = code(rate);
    if (value >= 2 && value <= 15) {
        return rates[value - 2];
    }
    return 30;
}

bool isTenBit(BitDepth depth) {
    return depth == BitDepth::Bit10FullRange || depth == BitDepth::Bit10;
}
bool isTwelveBit(BitDepth depth) {
    return depth == BitDepth::Bit12 || depth == BitDepth::Bit12FullRange;
}

bool isOneOf(SampleStructure s, std::initializer_list<int> values) {
    for (int v : values) {
        if (static_cast<int>(s) == v) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::unique_ptr<const StandardFromPayloadIdentifier>
StandardFromPayloadIdentifier::createStandardFromPayloadIdentifier(
    const PayloadIdentifierList& identifiers) {
    auto standard = std::make_unique<const StandardFromPayloadIdentifier>(identifiers);
    if (!standard->allPayloadIdentifiersValid_) {
        return nullptr;
    }
    return standard;
}

StandardFromPayloadIdentifier::StandardFromPayloadIdentifier(
    const PayloadIdentifierList& identifiers)
    : payloadIdentifiers_(identifiers) {
    if (!payloadIdentifiers_.empty()) {
        firstPayloadIdentifier_ = payloadIdentifiers_.front();
    }
    quadrantMode_ = payloadIdentifiers_.size() >= 3 && firstPayloadIdentifier_ &&
                    fitsQuadrantMode(*firstPayloadIdentifier_);
    allPayloadIdentifiersValid_ = !payloadIdentifiers_.empty();
    for (const PayloadIdentifierPtr& identifier : payloadIdentifiers_) {
        if (!identifier || !identifier->hasCorrectpayloadAndDigitalInterface()) {
            allPayloadIdentifiersValid_ = false;
            break;
        }
    }
}

StandardFromPayloadIdentifier::StandardFromPayloadIdentifier(
    const StandardFromPayloadIdentifier& other)
    : StandardFromPayloadIdentifier(other.payloadIdentifiers_) {}

bool StandardFromPayloadIdentifier::standardsAtSpigotRateHaveTwoPayloadIdentifiersPerLane(
    SdiDataRate rate) {
    return rate == SdiDataRate::Rate12G || rate == SdiDataRate::Rate6G ||
           rate == SdiDataRate::Rate3G;
}

bool StandardFromPayloadIdentifier::fitsQuadrantMode(const PayloadIdentifierBase& identifier) {
    const unsigned int width = identifier.getReconstructedImageWidthInPixels();
    return width == 1920 || width == 2048;
}

const PayloadIdentifierBase& StandardFromPayloadIdentifier::first() const {
    if (!firstPayloadIdentifier_) {
        throw std::out_of_range("StandardFromPayloadIdentifier: no payload identifier");
    }
    return *firstPayloadIdentifier_;
}

std::vector<std::uint32_t> StandardFromPayloadIdentifier::getPayloadIdentifierWords() const {
    std::vector<std::uint32_t> words;
    words.reserve(payloadIdentifiers_.size());
    for (const PayloadIdentifierPtr& identifier : payloadIdentifiers_) {
        words.push_back(identifier ? identifier->getWord() : 0);
    }
    return words;
}

StandardFromPayloadIdentifier::PayloadIdentifierList
StandardFromPayloadIdentifier::getPayloadIdentifiersForSubImage(unsigned int index) const {
    if (!standardsAtSpigotRateHaveTwoPayloadIdentifiersPerLane(
            first().getDataRatePerPhysicalConnection())) {
        return {firstPayloadIdentifier_};
    }
    const std::size_t position = 2 * static_cast<std::size_t>(index);
    if (position + 1 >= payloadIdentifiers_.size()) {
        return {};
    }
    return {payloadIdentifiers_[position], payloadIdentifiers_[position + 1]};
}

PayloadId::TransportFormat StandardFromPayloadIdentifier::getTransportFormat() const {
    return first().getTransportInterlaced();
}
PayloadId::PictureFormat StandardFromPayloadIdentifier::getPictureFormat() const {
    return first().getPictureInterlaced();
}
PayloadId::PictureRate StandardFromPayloadIdentifier::getPictureRate() const {
    return first().getPictureRate();
}
PayloadId::SampleStructure StandardFromPayloadIdentifier::getSampleStructure() const {
    return first().getSampleStructure();
}
PayloadId::AspectRatio StandardFromPayloadIdentifier::getAspectRatio() const {
    return first().getAspectRatio();
}
PayloadId::HorizontalPixelArraySize
StandardFromPayloadIdentifier::getSubImageHorizontalPixelArraySize() const {
    return first().getHorizontalArraySize();
}
PayloadId::BitDepth StandardFromPayloadIdentifier::getBitDepth() const {
    return first().getBitDepth();
}
PayloadId::Colourimetry StandardFromPayloadIdentifier::getColourimetry() const {
    return first().getColourimetry();
}
PayloadId::TransferCurve StandardFromPayloadIdentifier::getTransferCurve() const {
    return first().getTransferCharacteristics();
}
PayloadId::LuminanceAndColourDifferenceSignal
StandardFromPayloadIdentifier::getLuminanceAndColourDifferenceSignal() const {
    return first().getLuminanceAndColourDifferenceSignal();
}
unsigned int StandardFromPayloadIdentifier::getLevel() const {
    return first().getLevel();
}
unsigned int StandardFromPayloadIdentifier::getCombinedFormat() const {
    return first().getPicutreInterlacedProgressivePsf();
}

unsigned int StandardFromPayloadIdentifier::getSubImageCount() const {
    return quadrantMode_ ? 4 : first().getNumSubPictures();
}

SubImagePixelMappingFormat StandardFromPayloadIdentifier::getSubimagePixelMappingFormat() const {
    return quadrantMode_ ? SubImagePixelMappingFormat::SquareDivision
                         : first().getSubImagePixelMappingFormat();
}

unsigned int StandardFromPayloadIdentifier::getNumberOfPhysicalLinks() const {
    return quadrantMode_ ? quadrantModePhysicalLinkCount_ : first().getNumPhysicalConnections();
}

std::vector<SdiDataRate> StandardFromPayloadIdentifier::getPhysicalLinksDataRates() const {
    return std::vector<SdiDataRate>(getNumberOfPhysicalLinks(),
                                    first().getDataRatePerPhysicalConnection());
}

std::pair<unsigned int, unsigned int>
StandardFromPayloadIdentifier::getReconsutructedImageDimensionsInPixels() const {
    const unsigned int factor = quadrantMode_ ? 2 : 1;
    return {first().getReconstructedImageWidthInPixels() * factor,
            first().getReconstructedImageHeightInPixels() * factor};
}

SdiDataRate StandardFromPayloadIdentifier::getTotalDataRate() const {
    const SdiDataRate rate = first().getDataRatePerPhysicalConnection();
    const unsigned int links = first().getNumPhysicalConnections();
    using R = SdiDataRate;
    if (quadrantMode_ || links == 4) {
        return rate == R::Rate3G ? R::Rate12G : rate == R::Rate1G5 ? R::Rate6G : rate;
    }
    switch (links) {
        case 2:
            return rate == R::Rate3G    ? R::Rate6G
                   : rate == R::Rate1G5 ? R::Rate3G
                   : rate == R::Rate6G  ? R::Rate12G
                                        : rate;
        case 8:
            return rate == R::Rate1G5 ? R::Rate12G : rate;
        default:
            return rate;
    }
}

unsigned int StandardFromPayloadIdentifier::getSubPicuturePixelRateInHz() const {
    const SdiDataRate total = getTotalDataRate();
    // One 6G link carries four sub-images at the 1.5G pixel rate each.
    if (getNumberOfPhysicalLinks() == 1 && total == SdiDataRate::Rate6G) {
        return pixelRate74M25;
    }
    switch (total) {
        case SdiDataRate::Rate1G5:
            return pixelRate74M25;
        case SdiDataRate::Rate270M:
            return pixelRate27M;
        default:
            return pixelRate148M5;
    }
}

unsigned int StandardFromPayloadIdentifier::getSubImageFrameHeight() const {
    const std::vector<unsigned int> heights = first().getFieldHeights();
    return std::accumulate(heights.begin(), heights.end(), 0u);
}

unsigned int StandardFromPayloadIdentifier::getSubImageFrameWidth() const {
    const unsigned int samplesPerFrame =
        getSubPicuturePixelRateInHz() / nominalFrameRate(getPictureRate());
    const unsigned int lines = getSubImageFrameHeight();
    return samplesPerFrame / (lines == 0 ? linesPer1080Frame : lines);
}

unsigned int StandardFromPayloadIdentifier::getSubImageActiveWidth() const {
    return first().getFieldActivePictureWidthInSamples();
}

unsigned int StandardFromPayloadIdentifier::getSubImageActiveHeight() const {
    return first().getFieldActivePictureHeight();
}

double StandardFromPayloadIdentifier::get20BitSampleRateInMicroSeconds() const {
    double wordRate = 0;
    switch (first().getDataRatePerPhysicalConnection()) {
        case SdiDataRate::Rate12G:
            wordRate = 594000000.0;
            break;
        case SdiDataRate::Rate6G:
            wordRate = 297000000.0;
            break;
        case SdiDataRate::Rate3G:
            wordRate = 148500000.0;
            break;
        case SdiDataRate::Rate1G5:
            wordRate = 74250000.0;
            break;
        case SdiDataRate::Rate270M:
            wordRate = 27000000.0;
            break;
        default:
            return std::numeric_limits<double>::infinity();
    }
    return 1000000.0 / wordRate;
}

unsigned int StandardFromPayloadIdentifier::getNumberOfPixelsFromStartOfLine1To0H() const {
    struct Row {
        bool lines720;
        std::initializer_list<int> rates;
        unsigned int levelB;
        unsigned int otherwise;
    };
    static const Row rows[] = {
        {false, {2, 3, 4, 8}, 1276, 638},
        {false, {5, 9}, 1056, 528},
        {false, {6, 7, 10, 11}, 176, 88},
        {true, {2, 3}, 5170, 2585},
        {true, {5}, 4840, 2420},
        {true, {6, 7}, 3520, 1760},
        {true, {9}, 880, 440},
        {true, {10, 11}, 220, 110},
    };
    const bool lines720 = getReconsutructedImageDimensionsInPixels().second == 720;
    const int rate = static_cast<int>(getPictureRate());
    const bool levelB = getLevel() == SdiLevel::B;
    for (const Row& row : rows) {
        if (row.lines720 != lines720) {
            continue;
        }
        for (int r : row.rates) {
            if (r == rate) {
                return levelB ? row.levelB : row.otherwise;
            }
        }
    }
    return 0;
}

unsigned int StandardFromPayloadIdentifier::getFirstLineOfActivePicture(
    bool useGivenMapping, SubImagePixelMappingFormat mapping) const {
    const SubImagePixelMappingFormat m =
        useGivenMapping ? mapping : getSubimagePixelMappingFormat();
    const unsigned int firstLine = first().getFieldFirstLineNumbersOfActivePicture().at(0);
    // Two-sample interleave of four sub-images doubles the line count.
    if (getSubImageCount() == 4 && m == SubImagePixelMappingFormat::TwoSampleInterleave) {
        return 2 * (firstLine - 1);
    }
    return firstLine;
}

unsigned int StandardFromPayloadIdentifier::getReconstructedPictureHorizontalblankingSize(
    bool useGivenMapping, SubImagePixelMappingFormat mapping) const {
    const SubImagePixelMappingFormat m =
        useGivenMapping ? mapping : getSubimagePixelMappingFormat();
    const unsigned int activeWidth = first().getFieldActivePictureWidthInSamples();
    unsigned int blanking = getSubImageFrameWidth() - activeWidth;
    // Level B carries two streams per line unless they are line-interleaved.
    if (getLevel() == SdiLevel::B && !isLevelBLineInterleaved()) {
        blanking -= activeWidth;
    }
    if (getSubImageCount() == 4 && m == SubImagePixelMappingFormat::TwoSampleInterleave) {
        return 2 * blanking;
    }
    return blanking;
}

unsigned int
StandardFromPayloadIdentifier::getNumberOfConsecutive20BitActiveSamplesPerPhysicalLink() const {
    const unsigned int width = getReconsutructedImageDimensionsInPixels().first;
    const unsigned int subImages = getSubImageCount();
    const double root = std::sqrt(static_cast<double>(subImages));
    if (getLevel() == SdiLevel::A) {
        if (first().getDataRatePerPhysicalConnection() == SdiDataRate::Rate1G5) {
            return width;
        }
        const unsigned int links = getNumberOfPhysicalLinks();
        const unsigned int perLink = links == 0 ? 0 : subImages / links;
        const unsigned int result =
            perLink * static_cast<unsigned int>(std::floor(static_cast<double>(width) / root));
        return isExtendedColourMode() ? 2 * result : result;
    }
    if (getSubimagePixelMappingFormat() != SubImagePixelMappingFormat::TwoSampleInterleave) {
        return static_cast<unsigned int>(std::floor(2.0 * width / root));
    }
    return width;
}

void StandardFromPayloadIdentifier::getWidthAndHeightOfSubImageFrameForTimingCalculations(
    int& width, int& height) const {
    width = static_cast<int>(getSubImageFrameWidth());
    height = static_cast<int>(getSubImageFrameHeight());
    bool dualLink1g5 = getNumberOfPhysicalLinks() == 2;
    if (dualLink1g5) {
        for (SdiDataRate rate : getPhysicalLinksDataRates()) {
            dualLink1g5 = dualLink1g5 && rate == SdiDataRate::Rate1G5;
        }
    }
    if (isExtendedColourMode() || dualLink1g5) {
        width /= 2;
    }
}

StandardFromPayloadIdentifier::ActivePictureMappingMode
StandardFromPayloadIdentifier::getActivePictureMappingMode() const {
    const SampleStructure sampling = getSampleStructure();
    const BitDepth depth = getBitDepth();
    const unsigned int levelOffset = getLevel() == SdiLevel::A ? 0 : 4;
    if (isTenBit(depth)) {
        if (isOneOf(sampling, {0})) {
            return levelOffset;
        }
        if (isOneOf(sampling, {1, 2, 5, 6, 9, 10})) {
            return levelOffset + 1;
        }
    } else if (isTwelveBit(depth)) {
        if (isOneOf(sampling, {1, 2, 14})) {
            return levelOffset + 2;
        }
        if (isOneOf(sampling, {0, 4, 8})) {
            return levelOffset + 3;
        }
    }
    logLine(LogLevel::info, "Shouldn't reach this return statement");
    return 0;
}

bool StandardFromPayloadIdentifier::isExtendedColourMode() const {
    const ActivePictureMappingMode mode = getActivePictureMappingMode();
    return mode != 0 && mode != 4;
}

bool StandardFromPayloadIdentifier::isLevelBLineInterleaved() const {
    return getLevel() == SdiLevel::B && isOneOf(getSampleStructure(), {0, 3}) &&
           isTenBit(getBitDepth());
}

bool StandardFromPayloadIdentifier::isChromaHalved() const {
    return isOneOf(getSampleStructure(), {0, 3, 4, 8});
}

bool StandardFromPayloadIdentifier::hasAlphaChannel() const {
    return isOneOf(getSampleStructure(), {4, 5, 6});
}

FieldMetrics StandardFromPayloadIdentifier::fieldMetrics(unsigned int field, bool continueLineCount,
                                                         unsigned int widthFactor) const {
    const std::vector<unsigned int> heights = first().getFieldHeights();
    const std::vector<unsigned int> firstLines = first().getFieldFirstLineNumbersOfActivePicture();
    const unsigned int width = getSubImageFrameWidth() * widthFactor;
    const unsigned int activeWidth = first().getFieldActivePictureWidthInSamples() * widthFactor;
    const unsigned int activeHeight = first().getFieldActivePictureHeight();
    if (field == 0) {
        return FieldMetrics(
            FieldRegion(0, 0, width, heights.at(0)),
            FieldRegion(width - activeWidth, firstLines.at(0) - 1, activeWidth, activeHeight));
    }
    const unsigned int wholeFirstLine = continueLineCount ? heights.at(0) : 0;
    const unsigned int activeFirstLine =
        firstLines.at(1) - 1 - (continueLineCount ? 0 : heights.at(0));
    return FieldMetrics(
        FieldRegion(0, wholeFirstLine, width, heights.at(1)),
        FieldRegion(width - activeWidth, activeFirstLine, activeWidth, activeHeight));
}

VirtualInterfaceMetrics StandardFromPayloadIdentifier::getVirtualInterfaceMetrics() const {
    const bool levelA = getLevel() == SdiLevel::A;
    const bool progressive = getPictureFormat() == PayloadId::PictureFormat::Progressive &&
                             getTransportFormat() == PayloadId::TransportFormat::Progressive;
    // Interfaces that describe a single field (720-line, whose identifiers
    // carry no transport bit on 1.5G) get a one-field frame whatever their
    // scanning bits say: there is no second field to describe.
    const bool oneField = first().getFieldHeights().size() < 2;
    std::vector<FieldMetrics> fields{fieldMetrics(0, false, 1)};
    bool twoFields = false;
    if (levelA) {
        twoFields = !progressive && !oneField;
    } else {
        twoFields = getTransportFormat() == PayloadId::TransportFormat::Interlaced && !oneField;
    }
    if (twoFields) {
        fields.push_back(fieldMetrics(1, false, 1));
    }
    return VirtualInterfaceMetrics(levelA ? 1 : 2, FrameMetrics(std::move(fields)));
}

TqCircularBufferMetrics StandardFromPayloadIdentifier::buildTransmissionMetrics(bool& ok) const {
    const TqCircularBufferMetrics failed{std::vector<PartitionMetrics>{}};
    const unsigned int links = first().getNumPhysicalConnections();
    const SdiDataRate rate = first().getDataRatePerPhysicalConnection();
    const unsigned int kind = getCombinedFormat();
    const unsigned int lanes = getSubImageCount();
    const unsigned int level = getLevel();

    auto partition = [](const FieldMetrics& field, unsigned int count) {
        return PartitionMetrics(std::vector<FieldMetrics>(count, field));
    };
    auto twoFields = [&](unsigned int widthFactor, unsigned int count) {
        std::vector<PartitionMetrics> partitions;
        partitions.push_back(partition(fieldMetrics(0, true, widthFactor), count));
        partitions.push_back(partition(fieldMetrics(1, true, widthFactor), count));
        ok = true;
        return TqCircularBufferMetrics(std::move(partitions));
    };

    if (links == 2 && rate != SdiDataRate::Rate6G) {
        // Two 1.5G links in line interleave, one field on each link pair.
        if (kind == ScanningKind::Progressive && level == SdiLevel::A &&
            rate == SdiDataRate::Rate1G5) {
            return twoFields(1, 2);
        }
        logLine(LogLevel::error,
                "StandardFromPayloadIdentifier::getTransmissionMetrics: Only support DualLink "
                "1.5G line interlieve.");
        return failed;
    }
    if (links != 1 && links != 2 && links != 4) {
        logLine(LogLevel::error, metricsUnsupported);
        return failed;
    }
    if (level == SdiLevel::A) {
        if (kind == ScanningKind::Progressive) {
            ok = true;
            return TqCircularBufferMetrics(partition(fieldMetrics(0, true, 1), lanes));
        }
        if (kind == ScanningKind::ProgressiveSegmentedFrame || kind == ScanningKind::Interlaced) {
            return twoFields(1, lanes);
        }
        logLine(LogLevel::error, metricsUnsupported);
        return failed;
    }
    if (level != SdiLevel::B) {
        logLine(LogLevel::error,
                "StandardFromPayloadIdentifier::getTransmissionMetrics: Don't support level C");
        return failed;
    }
    if (kind != ScanningKind::Progressive) {
        logLine(LogLevel::error, metricsUnsupported);
        return failed;
    }
    if (getActivePictureMappingMode() != 4) {
        logLine(LogLevel::error,
                "StandardFromPayloadIdentifier::getTransmissionMetrics: Don't support extended "
                "colour modes");
        return failed;
    }
    // The two data streams alternate word by word: lines twice as wide.
    return twoFields(2, lanes);
}

TqCircularBufferMetrics StandardFromPayloadIdentifier::getTransmissionMetrics(bool& ok) const {
    ok = false;
    try {
        return buildTransmissionMetrics(ok);
    } catch (const std::out_of_range&) {
        // An identifier without the field list the layout needs.
        ok = false;
        logLine(LogLevel::error, metricsUnsupported);
        return TqCircularBufferMetrics(std::vector<PartitionMetrics>{});
    }
}

QString StandardFromPayloadIdentifier::getStandardAsShortText() const {
    if (!quadrantMode_) {
        return first().toHumanReadable(true);
    }
    // The four quadrants read as one identifier of the whole picture.
    SdiUtility::StandardTextParts parts = standardTextPartsOf(first(), true);
    std::tie(parts.width, parts.height) = getReconsutructedImageDimensionsInPixels();
    parts.links = getNumberOfPhysicalLinks();
    parts.layout = QLatin1String("SQ");
    // Only ICtCp is named here, whatever else a wider field might hold.
    if (parts.luminance != PayloadId::LuminanceAndColourDifferenceSignal::ICtCp) {
        parts.luminance = PayloadId::LuminanceAndColourDifferenceSignal::YCbCr;
    }
    return SdiUtility::composeStandardText(parts);
}

QString StandardFromPayloadIdentifier::getStandardAsReferenceString() const {
    const bool progressive = getPictureFormat() == PayloadId::PictureFormat::Progressive;
    return QString::number(getReconsutructedImageDimensionsInPixels().second) +
           (progressive ? "p" : "i") +
           SdiUtility::convertPictureRateToString(getPictureRate(), getPictureFormat());
}

bool StandardFromPayloadIdentifier::operator==(const StandardFromPayloadIdentifier& other) const {
    if (quadrantMode_ != other.quadrantMode_ ||
        payloadIdentifiers_.size() != other.payloadIdentifiers_.size()) {
        return false;
    }
    for (std::size_t i = 0; i < payloadIdentifiers_.size(); ++i) {
        const PayloadIdentifierPtr& a = payloadIdentifiers_[i];
        const PayloadIdentifierPtr& b = other.payloadIdentifiers_[i];
        if (static_cast<bool>(a) != static_cast<bool>(b) || (a && *a != *b)) {
            return false;
        }
    }
    return true;
}

}  // namespace Corvane::Sdi
