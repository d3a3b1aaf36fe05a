#include "sdi/PayloadIdentifierBase.h"

#include "app/Logging.h"
#include "sdi/SdiUtility.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include <fmt/format.h>

namespace Corvane::Sdi {

namespace {

using Bit = PayloadIdentifierField::Bit;

// Word bit of bit position `bit` in byte index `byteIndex`; -1 when either
// lies outside the identifier.
int wordBit(std::int32_t byteIndex, Bit bit) {
    const int position = static_cast<int>(bit);
    if (byteIndex < 0 || byteIndex > 3 || position < 0 || position > 7) {
        return -1;
    }
    return (3 - byteIndex) * 8 + position;
}

// The text line is assembled in a stack buffer and turned into a QString
// once: every piece is ASCII.
using LineBuffer = fmt::basic_memory_buffer<char, 128>;

void appendChannelText(LineBuffer& out, unsigned int connections, SdiDataRate rate,
                       unsigned int level, int channel) {
    auto append = [&out](std::string_view text) { out.append(text); };
    // One link of a dual 1.5G signal, or one of the two streams of a single
    // level B link.
    if ((connections == 2 && rate == SdiDataRate::Rate1G5) ||
        (connections == 1 && level == SdiLevel::B)) {
        append(channel == 0 ? "LinkA" : channel == 1 ? "LinkB" : "Link?");
        return;
    }
    if (channel < 0 || channel > 7) {
        append(level == SdiLevel::B ? "DS?_Link?" : "Link?");
        return;
    }
    // Multi-link level B: two data streams per link.
    if (level == SdiLevel::B) {
        fmt::format_to(std::back_inserter(out), "DS{}_Link{}", channel + 1, channel / 2 + 1);
        return;
    }
    fmt::format_to(std::back_inserter(out), "Link{}", channel + 1);
}

}  // namespace

// ---- PayloadIdentifierField ------------------------------------------------

PayloadIdentifierField::PayloadIdentifierField(std::int32_t byteIndex_, std::vector<Bit> bits_)
    : byteIndex(byteIndex_), bits(std::move(bits_)) {}

bool PayloadIdentifierField::applyValueToPayloadIdentifierWord(std::uint32_t& word,
                                                               int value) const {
    if (value < 0) {
        return false;
    }
    const std::size_t n = bits.size();
    if (n >= 1 && n <= 8) {
        if (value > (1 << n) - 1) {
            return false;
        }
    } else if (value != 0) {
        return false;
    }
    std::uint32_t result = word;
    for (std::size_t i = 0; i < n; ++i) {
        const int target = wordBit(byteIndex, bits[i]);
        if (target < 0) {
            return false;  // a definition pointing outside the word writes nothing
        }
        const std::uint32_t mask = std::uint32_t{1} << target;
        // Value bits beyond bit 7 only exist for fields longer than eight
        // bits, which accept nothing but 0.
        const bool set = i < 31 && ((static_cast<unsigned int>(value) >> i) & 1U) != 0;
        result = set ? (result | mask) : (result & ~mask);
    }
    word = result;
    return true;
}

unsigned int PayloadIdentifierField::readValueFromPayloadIdentifierWord(std::uint32_t word) const {
    unsigned int value = 0;
    for (std::size_t i = 0; i < bits.size() && i < 8; ++i) {
        const int source = wordBit(byteIndex, bits[i]);
        if (source >= 0 && ((word >> source) & 1U) != 0) {
            value |= 1U << i;
        }
    }
    return value;
}

std::uint32_t PayloadIdentifierField::wordMask() const {
    std::uint32_t mask = 0;
    for (const Bit bit : bits) {
        const int position = wordBit(byteIndex, bit);
        if (position >= 0) {
            mask |= std::uint32_t{1} << position;
        }
    }
    return mask;
}

// ---- PayloadIdentifierBase::FieldLayout -------------------------------------

PayloadIdentifierBase::FieldLayout::FieldLayout(FieldMap fieldMap)
    : fieldMap_(std::move(fieldMap)) {
    for (const auto& [type, field] : fieldMap_) {
        claimedBits_ |= field.wordMask();
        const auto index = static_cast<std::size_t>(type);
        if (index < accessors_.size()) {
            accessors_[index] = makeAccessor(field);
        }
    }
}

PayloadIdentifierBase::FieldLayout::Accessor PayloadIdentifierBase::FieldLayout::makeAccessor(
    const PayloadIdentifierField& field) {
    Accessor accessor;
    accessor.field = &field;
    const std::size_t n = field.bits.size();
    if (n == 0) {
        return accessor;  // reads 0; writes go through the field
    }
    const int first = wordBit(field.byteIndex, field.bits[0]);
    bool adjacent = first >= 0 && n <= 8;
    for (std::size_t i = 1; adjacent && i < n; ++i) {
        adjacent = wordBit(field.byteIndex, field.bits[i]) == first + static_cast<int>(i);
    }
    accessor.simple = adjacent;
    if (adjacent) {
        accessor.shift = static_cast<std::uint8_t>(first);
        accessor.mask = (std::uint32_t{1} << n) - 1;
    }
    return accessor;
}

const PayloadIdentifierField* PayloadIdentifierBase::FieldLayout::find(FieldType type) const {
    const auto index = static_cast<std::size_t>(type);
    if (index < accessors_.size()) {
        return accessors_[index].field;
    }
    // A key no getter asks for: the map answers.
    const auto it = fieldMap_.find(type);
    return it == fieldMap_.end() ? nullptr : &it->second;
}

bool PayloadIdentifierBase::FieldLayout::hasField(FieldType type) const {
    return find(type) != nullptr;
}

unsigned int PayloadIdentifierBase::FieldLayout::readOther(FieldType type,
                                                           std::uint32_t word) const {
    const PayloadIdentifierField* field = find(type);
    return field == nullptr ? 0U : field->readValueFromPayloadIdentifierWord(word);
}

bool PayloadIdentifierBase::FieldLayout::write(FieldType type, std::uint32_t& word,
                                               int value) const {
    const auto index = static_cast<std::size_t>(type);
    if (index < accessors_.size() && accessors_[index].simple && accessors_[index].mask != 0) {
        const Accessor& a = accessors_[index];
        if (value < 0 || static_cast<std::uint32_t>(value) > a.mask) {
            return false;
        }
        word = (word & ~(a.mask << a.shift)) | (static_cast<std::uint32_t>(value) << a.shift);
        return true;
    }
    const PayloadIdentifierField* field = find(type);
    return field != nullptr && field->applyValueToPayloadIdentifierWord(word, value);
}

// ---- PayloadIdentifierBase ---------------------------------------------------

PayloadIdentifierBase::PayloadIdentifierBase(std::uint32_t payloadIdentifierWord,
                                             const FieldLayout& sharedLayout)
    : payloadIdentifierWord_(payloadIdentifierWord),
      bytes_{static_cast<std::uint8_t>(payloadIdentifierWord >> 24),
             static_cast<std::uint8_t>(payloadIdentifierWord >> 16),
             static_cast<std::uint8_t>(payloadIdentifierWord >> 8),
             static_cast<std::uint8_t>(payloadIdentifierWord)},
      layout_(&sharedLayout) {
    logReservedBits();
}

PayloadIdentifierBase::PayloadIdentifierBase(std::uint32_t payloadIdentifierWord, FieldMap fieldMap)
    : payloadIdentifierWord_(payloadIdentifierWord),
      bytes_{static_cast<std::uint8_t>(payloadIdentifierWord >> 24),
             static_cast<std::uint8_t>(payloadIdentifierWord >> 16),
             static_cast<std::uint8_t>(payloadIdentifierWord >> 8),
             static_cast<std::uint8_t>(payloadIdentifierWord)},
      ownLayout_(std::make_shared<const FieldLayout>(std::move(fieldMap))),
      layout_(ownLayout_.get()) {
    logReservedBits();
}

PayloadIdentifierBase::PayloadIdentifierBase(std::uint32_t payloadIdentifierWord)
    : PayloadIdentifierBase(payloadIdentifierWord, defaultFieldLayout()) {}

const PayloadIdentifierBase::FieldLayout& PayloadIdentifierBase::defaultFieldLayout() {
    static const FieldLayout& layout = *new FieldLayout(FieldMap{
        {FieldType::PayloadAndDigitalInterface, defaultPayloadIdentifierFieldDefinition()},
        {FieldType::TransportInterlaced, defaultTransportFormatFieldDefinition()},
        {FieldType::PictureInterlaced, defaultPictureFormatFieldDefinition()},
        {FieldType::PictureRate, defaultPictureRateFieldDefinition()},
        {FieldType::AspectRatio, defaultAspectRatioFieldDefinition()},
        {FieldType::SampleStructure, defaultSamplingStructureFieldDefinition()},
        {FieldType::BitDepth, defaultBitDepthFieldDefinition()},
    });
    return layout;
}

void PayloadIdentifierBase::logReservedBits() const {
    // The common case, no reserved bit set, builds no message list.
    if ((payloadIdentifierWord_ & ~layout_->claimedBits()) == 0) {
        return;
    }
    for (const QString& message : doReservedBitsChecks()) {
        logf(LogLevel::warning, "{}", message);
    }
}

std::uint8_t PayloadIdentifierBase::getByte(int byteIndex) const {
    if (byteIndex < 0 || byteIndex > 3) {
        return 0;
    }
    return bytes_[static_cast<std::size_t>(byteIndex)];
}

SubImagePixelMappingFormat PayloadIdentifierBase::getSubImagePixelMappingFormat() const {
    return SubImagePixelMappingFormat::None;
}
unsigned int PayloadIdentifierBase::getNumPhysicalConnections() const {
    return 0;
}
SdiDataRate PayloadIdentifierBase::getDataRatePerPhysicalConnection() const {
    return SdiDataRate::NoSignal;
}
unsigned int PayloadIdentifierBase::getLevel() const {
    return SdiLevel::A;
}
unsigned int PayloadIdentifierBase::getNumSubPictures() const {
    return 1;
}
unsigned int PayloadIdentifierBase::getPicutreInterlacedProgressivePsf() const {
    return ScanningKind::Progressive;
}
std::vector<unsigned int> PayloadIdentifierBase::getFieldHeights() const {
    return {};
}
std::vector<unsigned int> PayloadIdentifierBase::getFieldFirstLineNumbersOfActivePicture() const {
    return {};
}
unsigned int PayloadIdentifierBase::getFieldActivePictureWidthInSamples() const {
    return 0;
}
unsigned int PayloadIdentifierBase::getFieldActivePictureHeight() const {
    return 0;
}
unsigned int PayloadIdentifierBase::getReconstructedImageWidthInPixels() const {
    return 0;
}
unsigned int PayloadIdentifierBase::getReconstructedImageHeightInPixels() const {
    return 0;
}
bool PayloadIdentifierBase::hasCorrectpayloadAndDigitalInterface() const {
    return false;
}
QStringList PayloadIdentifierBase::doSmpteValidationChecks() const {
    return {QStringLiteral("Error packet does not match any supported type")};
}

QString PayloadIdentifierBase::toHumanReadable(bool omitChannel) const {
    using namespace SdiUtility;
    if (payloadIdentifierWord_ == 0) {
        return QStringLiteral("No payload identifier");
    }
    LineBuffer out;
    const auto append = [&out](std::string_view text) { out.append(text); };
    fmt::format_to(std::back_inserter(out), "{}x{}{}{} {}:{} ",
                   getReconstructedImageWidthInPixels(), getReconstructedImageHeightInPixels(),
                   scanningKindText(getPicutreInterlacedProgressivePsf()),
                   pictureRateText(getPictureRate(), getPictureInterlaced()),
                   sampleStructureText(getSampleStructure()), bitDepthText(getBitDepth()));

    const unsigned int connections = getNumPhysicalConnections();
    if (connections == 2) {
        append("DL ");
    } else if (connections == 4) {
        append("QL ");
    }
    const SdiDataRate rate = getDataRatePerPhysicalConnection();
    append(sdiDataRateText(rate));
    if (rate == SdiDataRate::Rate3G) {
        append(" ");
        append(levelText(getLevel()));
    }
    const SubImagePixelMappingFormat mapping = getSubImagePixelMappingFormat();
    if (mapping != SubImagePixelMappingFormat::None) {
        append(" ");
        append(subImagePixelMappingFormatText(mapping));
    }
    if (!omitChannel && hasField(FieldType::Channel)) {
        append(" ");
        appendChannelText(out, connections, rate, getLevel(), static_cast<int>(getChannel()));
    }
    const auto signal = getLuminanceAndColourDifferenceSignal();
    if (static_cast<int>(signal) != 0) {
        append(" ");
        if (signal == PayloadId::LuminanceAndColourDifferenceSignal::ICtCp) {
            append("ICtCp");
        }
    }
    const auto transfer = getTransferCharacteristics();
    if (static_cast<int>(transfer) != 0) {
        append(" ");
        append(transferCurveText(transfer));
    }
    append(" ");
    append(colourimetryText(getColourimetry()));
    return QString::fromLatin1(out.data(), static_cast<int>(out.size()));
}

PayloadId::PayloadAndDigitalInterface PayloadIdentifierBase::getPayloadAndDigitialInterface()
    const {
    if (!hasField(FieldType::PayloadAndDigitalInterface)) {
        return static_cast<PayloadId::PayloadAndDigitalInterface>(bytes_[0]);
    }
    return static_cast<PayloadId::PayloadAndDigitalInterface>(
        readField(FieldType::PayloadAndDigitalInterface));
}
PayloadId::SampleStructure PayloadIdentifierBase::getSampleStructure() const {
    return static_cast<PayloadId::SampleStructure>(readField(FieldType::SampleStructure));
}
PayloadId::PictureRate PayloadIdentifierBase::getPictureRate() const {
    return static_cast<PayloadId::PictureRate>(readField(FieldType::PictureRate));
}
PayloadId::PictureFormat PayloadIdentifierBase::getPictureInterlaced() const {
    return static_cast<PayloadId::PictureFormat>(readField(FieldType::PictureInterlaced));
}
PayloadId::TransportFormat PayloadIdentifierBase::getTransportInterlaced() const {
    return static_cast<PayloadId::TransportFormat>(readField(FieldType::TransportInterlaced));
}
PayloadId::BitDepth PayloadIdentifierBase::getBitDepth() const {
    return static_cast<PayloadId::BitDepth>(readField(FieldType::BitDepth));
}
PayloadId::AspectRatio PayloadIdentifierBase::getAspectRatio() const {
    return static_cast<PayloadId::AspectRatio>(readField(FieldType::AspectRatio));
}
PayloadId::HorizontalPixelArraySize PayloadIdentifierBase::getHorizontalArraySize() const {
    return static_cast<PayloadId::HorizontalPixelArraySize>(
        readField(FieldType::HorizontalArraySize));
}
PayloadId::Colourimetry PayloadIdentifierBase::getColourimetry() const {
    return static_cast<PayloadId::Colourimetry>(readField(FieldType::Colourimetry));
}
PayloadId::TransferCurve PayloadIdentifierBase::getTransferCharacteristics() const {
    return static_cast<PayloadId::TransferCurve>(readField(FieldType::TransferCharacteristics));
}
PayloadId::LuminanceAndColourDifferenceSignal
PayloadIdentifierBase::getLuminanceAndColourDifferenceSignal() const {
    return static_cast<PayloadId::LuminanceAndColourDifferenceSignal>(
        readField(FieldType::LuminanceAndColourDifferenceSignal));
}
PayloadId::Channel PayloadIdentifierBase::getChannel() const {
    return static_cast<PayloadId::Channel>(readField(FieldType::Channel));
}
PayloadId::AudioCopyStatus PayloadIdentifierBase::getAudioCopyStatus() const {
    return static_cast<PayloadId::AudioCopyStatus>(readField(FieldType::AudioCopyStatus));
}

bool PayloadIdentifierBase::operator==(const PayloadIdentifierBase& other) const {
    return payloadIdentifierWord_ == other.payloadIdentifierWord_;
}

bool PayloadIdentifierBase::compareForVideoStandard(const PayloadIdentifierBase& other,
                                                    bool logComparison) const {
    const std::pair<bool, const char*> comparisons[] = {
        {getSampleStructure() == other.getSampleStructure(), "getSampleStructure"},
        {getPictureRate() == other.getPictureRate(), "getFrameRate"},
        {getPictureInterlaced() == other.getPictureInterlaced(), "getPicutreInterlaced"},
        {getTransportInterlaced() == other.getTransportInterlaced(), "getTransportInterlaced"},
        {getBitDepth() == other.getBitDepth(), "getBitDepth"},
        {getHorizontalArraySize() == other.getHorizontalArraySize(), "getHorizontalArraySize"},
        {getColourimetry() == other.getColourimetry(), "getColourimetry"},
        {getPayloadAndDigitialInterface() == other.getPayloadAndDigitialInterface(),
         "getPayloadAndDigitialInterface"},
        {getTransferCharacteristics() == other.getTransferCharacteristics(),
         "getTransferCharacteristics"},
        {getLuminanceAndColourDifferenceSignal() == other.getLuminanceAndColourDifferenceSignal(),
         "getLuminanceAndColourDifferenceSignal"},
    };
    bool comparable = true;
    for (const auto& comparison : comparisons) {
        comparable = comparable && comparison.first;
    }
    if (logComparison) {
        logLine(LogLevel::info, "Comparing payload Identifiers...");
        logf(LogLevel::info, "{}", toHumanReadable(false));
        logf(LogLevel::info, "{}", other.toHumanReadable(false));
        for (const auto& [same, getter] : comparisons) {
            if (!same) {
                logf(LogLevel::info, "NO MATCH - {}", getter);
            }
        }
        logf(LogLevel::info, "Comparable? {}", comparable);
    }
    return comparable;
}

QStringList PayloadIdentifierBase::doReservedBitsChecks() const {
    const std::uint32_t remaining = payloadIdentifierWord_ & ~layout_->claimedBits();
    QStringList messages;
    for (int bit = 0; bit < 32; ++bit) {
        if (((remaining >> bit) & 1U) != 0) {
            messages
                << QStringLiteral("Reserved bit not 0, Byte %1, Bit %2").arg(bit / 8).arg(bit % 8);
        }
    }
    return messages;
}

bool PayloadIdentifierBase::checkThatPayloadIdentifierFieldsDoNotOverlap() const {
    std::uint32_t claimed = 0;
    for (const auto& entry : layout_->fieldMap()) {
        const std::uint32_t mask = entry.second.wordMask();
        if ((claimed & mask) != 0) {
            return false;
        }
        claimed |= mask;
    }
    return true;
}

unsigned int PayloadIdentifierBase::doubleActiveLineLengthIfTwoLocationsRequiredPerPixel(
    unsigned int length) const {
    const auto sampling = getSampleStructure();
    const auto depth = getBitDepth();
    const bool chromaSubsampled = sampling == PayloadId::SampleStructure::YCbCr422 ||
                                  sampling == PayloadId::SampleStructure::YCbCr420;
    const bool twelveBit =
        depth == PayloadId::BitDepth::Bit12 || depth == PayloadId::BitDepth::Bit12FullRange;
    return (!chromaSubsampled || twelveBit) ? 2 * length : length;
}

PayloadIdentifierField PayloadIdentifierBase::defaultPayloadIdentifierFieldDefinition() {
    return {
        0,
        {Bit::Bit0, Bit::Bit1, Bit::Bit2, Bit::Bit3, Bit::Bit4, Bit::Bit5, Bit::Bit6, Bit::Bit7}};
}
PayloadIdentifierField PayloadIdentifierBase::defaultSamplingStructureFieldDefinition() {
    return {2, {Bit::Bit0, Bit::Bit1, Bit::Bit2, Bit::Bit3}};
}
PayloadIdentifierField PayloadIdentifierBase::defaultPictureRateFieldDefinition() {
    return {1, {Bit::Bit0, Bit::Bit1, Bit::Bit2, Bit::Bit3}};
}
PayloadIdentifierField PayloadIdentifierBase::defaultPictureFormatFieldDefinition() {
    return {1, {Bit::Bit6}};
}
PayloadIdentifierField PayloadIdentifierBase::defaultTransportFormatFieldDefinition() {
    return {1, {Bit::Bit7}};
}
PayloadIdentifierField PayloadIdentifierBase::defaultBitDepthFieldDefinition() {
    return {3, {Bit::Bit0, Bit::Bit1}};
}
PayloadIdentifierField PayloadIdentifierBase::defaultAspectRatioFieldDefinition() {
    return {2, {Bit::Bit7}};
}
PayloadIdentifierField PayloadIdentifierBase::generalHorizontalPixelArraySizeFieldDefinition() {
    return {2, {Bit::Bit6}};
}
PayloadIdentifierField PayloadIdentifierBase::generalColourimetryFieldDefinition() {
    return {2, {Bit::Bit4, Bit::Bit5}};
}
PayloadIdentifierField PayloadIdentifierBase::generalTransferCharacteristicsFieldDefinition() {
    return {1, {Bit::Bit4, Bit::Bit5}};
}
PayloadIdentifierField PayloadIdentifierBase::generalLuminanceAndColourDifferenceFieldDefinition() {
    return {3, {Bit::Bit4}};
}
PayloadIdentifierField PayloadIdentifierBase::generalAudioCopyStatusFieldDefinition() {
    return {3, {Bit::Bit2}};
}

std::uint32_t PayloadIdentifierBase::composePayloadIdentifierWord(
    const FieldMap& fieldMap, std::uint8_t byte1,
    std::initializer_list<std::pair<FieldType, int>> values) {
    return composePayloadIdentifierWord(FieldLayout(fieldMap), byte1, values);
}

std::uint32_t PayloadIdentifierBase::composePayloadIdentifierWord(
    const FieldLayout& layout, std::uint8_t byte1,
    std::initializer_list<std::pair<FieldType, int>> values) {
    std::uint32_t word = std::uint32_t{byte1} << 24;
    for (const auto& [type, value] : values) {
        layout.write(type, word, value);  // absent field or refusal: left out
    }
    return word;
}

// ---- shared pieces of the interface classes ----------------------------------

bool PayloadIdentifierBase::isPictureProgressive() const {
    return getPictureInterlaced() == PayloadId::PictureFormat::Progressive;
}

bool PayloadIdentifierBase::isTransportProgressive() const {
    return getTransportInterlaced() == PayloadId::TransportFormat::Progressive;
}

bool PayloadIdentifierBase::isTenBit422Or420() const {
    const auto sampling = getSampleStructure();
    const auto depth = getBitDepth();
    return (sampling == PayloadId::SampleStructure::YCbCr422 ||
            sampling == PayloadId::SampleStructure::YCbCr420) &&
           (depth == PayloadId::BitDepth::Bit10FullRange || depth == PayloadId::BitDepth::Bit10);
}

unsigned int PayloadIdentifierBase::scanningKindFromScanningBits() const {
    if (!isPictureProgressive()) {
        return ScanningKind::Interlaced;
    }
    return isTransportProgressive() ? ScanningKind::Progressive
                                    : ScanningKind::ProgressiveSegmentedFrame;
}

unsigned int PayloadIdentifierBase::levelBScanningKind() const {
    return isTenBit422Or420() ? ScanningKind::Progressive : scanningKindFromScanningBits();
}

std::vector<unsigned int> PayloadIdentifierBase::fieldHeights1125Lines() const {
    if (isPictureProgressive() && isTransportProgressive()) {
        return {1125};
    }
    return {563, 562};
}

std::vector<unsigned int> PayloadIdentifierBase::firstActiveLines1125Lines() const {
    if (isPictureProgressive() && isTransportProgressive()) {
        return {42};
    }
    return {21, 584};
}

unsigned int PayloadIdentifierBase::subImageWidth1080() const {
    return getHorizontalArraySize() == PayloadId::HorizontalPixelArraySize::Pixels2048 ? 2048
                                                                                       : 1920;
}

QStringList PayloadIdentifierBase::checkPayloadCode(
    PayloadId::PayloadAndDigitalInterface code) const {
    if (getPayloadAndDigitialInterface() == code) {
        return {};
    }
    return {
        fieldMessage("Incorrect payload identifier: ", asInt(getPayloadAndDigitialInterface()))};
}

QStringList PayloadIdentifierBase::checkRateAndSamplingRanges() const {
    QStringList messages;
    const int rate = asInt(getPictureRate());
    if (rate < 2 || rate > 11) {
        messages << fieldMessage("Invalid picture rate: ", rate);
    }
    const int sampling = asInt(getSampleStructure());
    if (sampling < 0 || sampling > 10) {
        messages << fieldMessage("Invalid sampling structure: ", sampling);
    }
    return messages;
}

QString PayloadIdentifierBase::fieldMessage(const char* text, int value) {
    return QString::fromUtf8(text) + QString::number(value);
}

PayloadIdentifierBase::FieldMap PayloadIdentifierBase::genericFieldMap() {
    return {
        {FieldType::PayloadAndDigitalInterface, defaultPayloadIdentifierFieldDefinition()},
        {FieldType::SampleStructure, defaultSamplingStructureFieldDefinition()},
        {FieldType::PictureRate, defaultPictureRateFieldDefinition()},
        {FieldType::PictureInterlaced, defaultPictureFormatFieldDefinition()},
        {FieldType::TransportInterlaced, defaultTransportFormatFieldDefinition()},
        {FieldType::BitDepth, defaultBitDepthFieldDefinition()},
        {FieldType::AspectRatio, defaultAspectRatioFieldDefinition()},
        {FieldType::HorizontalArraySize, generalHorizontalPixelArraySizeFieldDefinition()},
        {FieldType::Colourimetry, generalColourimetryFieldDefinition()},
        {FieldType::TransferCharacteristics, generalTransferCharacteristicsFieldDefinition()},
        {FieldType::LuminanceAndColourDifferenceSignal,
         generalLuminanceAndColourDifferenceFieldDefinition()},
    };
}

PayloadIdentifierBase::FieldMap PayloadIdentifierBase::withDualLinkByte3Layout(FieldMap map) {
    map[FieldType::AspectRatio] = PayloadIdentifierField(2, {Bit::Bit5});
    map[FieldType::Colourimetry] = PayloadIdentifierField(2, {Bit::Bit4, Bit::Bit7});
    return map;
}

PayloadIdentifierBase::FieldMap PayloadIdentifierBase::multiLinkFieldMap(
    PayloadIdentifierField channel) {
    FieldMap map = genericFieldMap();
    map[FieldType::AudioCopyStatus] = generalAudioCopyStatusFieldDefinition();
    map[FieldType::Channel] = std::move(channel);
    return map;
}

std::uint32_t PayloadIdentifierBase::composeWordFromFields(
    const FieldLayout& layout, PayloadId::PayloadAndDigitalInterface code,
    PayloadId::TransportFormat transportFormat, PayloadId::PictureFormat pictureFormat,
    PayloadId::PictureRate pictureRate, PayloadId::SampleStructure sampleStructure,
    PayloadId::Colourimetry colourimetry, PayloadId::AspectRatio aspectRatio,
    PayloadId::HorizontalPixelArraySize horizontalPixelArraySize, PayloadId::BitDepth bitDepth,
    PayloadId::AudioCopyStatus audioCopyStatus, PayloadId::Channel channel,
    PayloadId::TransferCurve transferCurve,
    PayloadId::LuminanceAndColourDifferenceSignal luminanceAndColourDifferenceSignal) {
    return composePayloadIdentifierWord(
        layout, static_cast<std::uint8_t>(code),
        {{FieldType::TransportInterlaced, asInt(transportFormat)},
         {FieldType::PictureInterlaced, asInt(pictureFormat)},
         {FieldType::PictureRate, asInt(pictureRate)},
         {FieldType::SampleStructure, asInt(sampleStructure)},
         {FieldType::Colourimetry, asInt(colourimetry)},
         {FieldType::AspectRatio, asInt(aspectRatio)},
         {FieldType::HorizontalArraySize, asInt(horizontalPixelArraySize)},
         {FieldType::BitDepth, asInt(bitDepth)},
         {FieldType::AudioCopyStatus, asInt(audioCopyStatus)},
         {FieldType::Channel, asInt(channel)},
         {FieldType::TransferCharacteristics, asInt(transferCurve)},
         {FieldType::LuminanceAndColourDifferenceSignal,
          asInt(luminanceAndColourDifferenceSignal)}});
}

bool PayloadIdentifierBase::isOneOf(int value, std::initializer_list<int> allowed) {
    for (const int candidate : allowed) {
        if (candidate == value) {
            return true;
        }
    }
    return false;
}

}  // namespace Corvane::Sdi
