#pragma once

#include "sdi/SdiTypes.h"
#include "sdi/SdiUtility.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace Corvane::Sdi {

// Where one field of a payload identifier lives: a byte (0 = byte 1 of the
// identifier, the word's most significant byte) and an ordered list of bit
// positions inside it. The first listed bit carries value bit 0, so a field
// may be spread over non-adjacent bits.
class PayloadIdentifierField {
public:
    enum class Bit : int {
        Bit0 = 0,
        Bit1 = 1,
        Bit2 = 2,
        Bit3 = 3,
        Bit4 = 4,
        Bit5 = 5,
        Bit6 = 6,
        Bit7 = 7,
    };

    PayloadIdentifierField() = default;
    PayloadIdentifierField(std::int32_t byteIndex, std::vector<Bit> bits);

    // Writes value into the field's bits of word, leaving every other bit
    // alone. Refuses (false, word untouched) a negative value or one wider
    // than the field; a field with no bits accepts only 0 and writes nothing.
    bool applyValueToPayloadIdentifierWord(std::uint32_t& word, int value) const;

    // The field's value in word (at most 8 bits wide).
    unsigned int readValueFromPayloadIdentifierWord(std::uint32_t word) const;

    // The word bits the field names.
    std::uint32_t wordMask() const;

    std::int32_t byteIndex = 0;
    std::vector<Bit> bits;
};

// One SMPTE ST 352 payload identifier: byte 1 in bits 31-24 of the word down
// to byte 4 in bits 7-0, decoded through the field map of its interface.
//
// Identifiers are created as their concrete class and shared as
// PayloadIdentifierPtr; the shared pointer deletes through the concrete type,
// which is why the destructor is deliberately not virtual.
class PayloadIdentifierBase {
public:
    enum class FieldType : int {
        PayloadAndDigitalInterface = 0,
        SampleStructure = 1,
        PictureRate = 2,
        PictureInterlaced = 3,
        TransportInterlaced = 4,
        BitDepth = 5,
        AspectRatio = 6,
        HorizontalArraySize = 7,
        Colourimetry = 8,
        TransferCharacteristics = 9,
        LuminanceAndColourDifferenceSignal = 10,
        Channel = 11,
        AudioCopyStatus = 12,
    };
    using FieldMap = std::map<FieldType, PayloadIdentifierField>;

    // A field map with its decoding worked out once: for every field type,
    // where its value sits in the word, and which word bits no field names.
    // Each interface class keeps one for the whole process, so building an
    // identifier allocates nothing and a field getter is a shift and a mask.
    class FieldLayout {
    public:
        explicit FieldLayout(FieldMap fieldMap);
        // Its accessors point into its own map.
        FieldLayout(const FieldLayout&) = delete;
        FieldLayout& operator=(const FieldLayout&) = delete;

        const FieldMap& fieldMap() const { return fieldMap_; }
        bool hasField(FieldType type) const;
        // The field's value in word; 0 for a field the map lacks.
        unsigned int read(FieldType type, std::uint32_t word) const {
            const auto index = static_cast<std::size_t>(type);
            if (index < accessors_.size() && accessors_[index].simple) {
                const Accessor& a = accessors_[index];
                return (word >> a.shift) & a.mask;
            }
            return readOther(type, word);
        }
        // PayloadIdentifierField::applyValueToPayloadIdentifierWord for the
        // field of that type; false, word untouched, when the map lacks it.
        bool write(FieldType type, std::uint32_t& word, int value) const;
        // Word bits named by at least one field.
        std::uint32_t claimedBits() const { return claimedBits_; }

    private:
        // One field type of the map.
        struct Accessor {
            // Null when the map lacks the field.
            const PayloadIdentifierField* field = nullptr;
            // Value = (word >> shift) & mask: true for a field of adjacent
            // bits in ascending order, and for an absent one (mask 0).
            bool simple = true;
            std::uint8_t shift = 0;
            std::uint32_t mask = 0;
        };
        static constexpr std::size_t accessorCount =
            static_cast<std::size_t>(FieldType::AudioCopyStatus) + 1;

        static Accessor makeAccessor(const PayloadIdentifierField& field);
        const PayloadIdentifierField* find(FieldType type) const;
        unsigned int readOther(FieldType type, std::uint32_t word) const;

        FieldMap fieldMap_;
        std::array<Accessor, accessorCount> accessors_{};
        std::uint32_t claimedBits_ = 0;
    };

    // Both constructors log every set reserved bit at warning level; neither
    // validates. The word-only form uses the seven generic fields
    // (interface, transport, picture, rate, aspect ratio, sampling, depth).
    PayloadIdentifierBase(std::uint32_t payloadIdentifierWord, FieldMap fieldMap);
    explicit PayloadIdentifierBase(std::uint32_t payloadIdentifierWord);

    // Raw access.
    std::uint32_t getWord() const { return payloadIdentifierWord_; }
    // byteIndex 0 is byte 1 of the identifier; out of range gives 0.
    std::uint8_t getByte(int byteIndex) const;
    const FieldMap& getFieldMap() const { return layout_->fieldMap(); }
    bool hasField(FieldType type) const { return layout_->hasField(type); }

    // Interface geometry; the base results describe no interface at all.
    virtual SubImagePixelMappingFormat getSubImagePixelMappingFormat() const;
    virtual unsigned int getNumPhysicalConnections() const;
    virtual SdiDataRate getDataRatePerPhysicalConnection() const;
    virtual unsigned int getLevel() const;
    virtual unsigned int getNumSubPictures() const;
    // A ScanningKind value.
    virtual unsigned int getPicutreInterlacedProgressivePsf() const;
    // Total lines of each field.
    virtual std::vector<unsigned int> getFieldHeights() const;
    // Interface line number of the first active line of each field.
    virtual std::vector<unsigned int> getFieldFirstLineNumbersOfActivePicture() const;
    virtual unsigned int getFieldActivePictureWidthInSamples() const;
    virtual unsigned int getFieldActivePictureHeight() const;
    virtual unsigned int getReconstructedImageWidthInPixels() const;
    virtual unsigned int getReconstructedImageHeightInPixels() const;
    // One line such as "1920x1080p50 YCbCr:422:10 3G A Rec.709".
    virtual QString toHumanReadable(bool omitChannel = false) const;
    virtual bool hasCorrectpayloadAndDigitalInterface() const;
    // Empty when the identifier is consistent for its interface.
    virtual QStringList doSmpteValidationChecks() const;

    // Field values; a field absent from the map reads 0, except the
    // interface code, which then is byte 1 itself.
    PayloadId::PayloadAndDigitalInterface getPayloadAndDigitialInterface() const;
    PayloadId::SampleStructure getSampleStructure() const;
    PayloadId::PictureRate getPictureRate() const;
    PayloadId::PictureFormat getPictureInterlaced() const;
    PayloadId::TransportFormat getTransportInterlaced() const;
    PayloadId::BitDepth getBitDepth() const;
    PayloadId::AspectRatio getAspectRatio() const;
    PayloadId::HorizontalPixelArraySize getHorizontalArraySize() const;
    PayloadId::Colourimetry getColourimetry() const;
    PayloadId::TransferCurve getTransferCharacteristics() const;
    PayloadId::LuminanceAndColourDifferenceSignal getLuminanceAndColourDifferenceSignal() const;
    PayloadId::Channel getChannel() const;
    PayloadId::AudioCopyStatus getAudioCopyStatus() const;

    // All 32 bits, reserved bits included.
    bool operator==(const PayloadIdentifierBase& other) const;
    bool operator!=(const PayloadIdentifierBase& other) const { return !(*this == other); }

    // Same video standard: everything but aspect ratio, channel and audio
    // copy status agrees, so the links of one signal compare equal. With
    // logComparison every difference is logged at info level.
    bool compareForVideoStandard(const PayloadIdentifierBase& other, bool logComparison) const;

    // "Reserved bit not 0, Byte %1, Bit %2" for each set bit no field names,
    // in ascending word-bit order; Byte counts from the word's least
    // significant byte.
    QStringList doReservedBitsChecks() const;
    bool checkThatPayloadIdentifierFieldsDoNotOverlap() const;

    // 4:4:4 (anything but 4:2:2 / 4:2:0) and 12-bit pictures need two 10-bit
    // sample locations per pixel on a 3G or faster interface.
    unsigned int doubleActiveLineLengthIfTwoLocationsRequiredPerPixel(unsigned int length) const;

    // Generic field definitions.
    static PayloadIdentifierField defaultPayloadIdentifierFieldDefinition();
    static PayloadIdentifierField defaultSamplingStructureFieldDefinition();
    static PayloadIdentifierField defaultPictureRateFieldDefinition();
    static PayloadIdentifierField defaultPictureFormatFieldDefinition();
    static PayloadIdentifierField defaultTransportFormatFieldDefinition();
    static PayloadIdentifierField defaultBitDepthFieldDefinition();
    static PayloadIdentifierField defaultAspectRatioFieldDefinition();
    static PayloadIdentifierField generalHorizontalPixelArraySizeFieldDefinition();
    static PayloadIdentifierField generalColourimetryFieldDefinition();
    static PayloadIdentifierField generalTransferCharacteristicsFieldDefinition();
    static PayloadIdentifierField generalLuminanceAndColourDifferenceFieldDefinition();
    static PayloadIdentifierField generalAudioCopyStatusFieldDefinition();

    // Builds a word from zero: byte 1 first, then each (field, value) in the
    // order given through fieldMap. Fields the map lacks and values that do
    // not fit their field are left out; the rest is still written.
    static std::uint32_t composePayloadIdentifierWord(
        const FieldMap& fieldMap, std::uint8_t byte1,
        std::initializer_list<std::pair<FieldType, int>> values);
    // The same through a prepared layout, as the interface classes offer.
    static std::uint32_t composePayloadIdentifierWord(
        const FieldLayout& layout, std::uint8_t byte1,
        std::initializer_list<std::pair<FieldType, int>> values);

    // Immutable once built.
    PayloadIdentifierBase(const PayloadIdentifierBase&) = default;
    PayloadIdentifierBase& operator=(const PayloadIdentifierBase&) = delete;
    ~PayloadIdentifierBase() = default;

protected:
    // For the interface classes: sharedLayout is not copied and must outlive
    // the identifier. The classes keep theirs in a function-local static that
    // is never destroyed, so identifiers held by other statics stay readable
    // while the process shuts down.
    PayloadIdentifierBase(std::uint32_t payloadIdentifierWord, const FieldLayout& sharedLayout);

    // Shared pieces of the interface classes.
    bool isPictureProgressive() const;
    bool isTransportProgressive() const;
    // 4:2:2 or 4:2:0 at 10 bits: one sample location per pixel.
    bool isTenBit422Or420() const;
    // Picture and transport bits: interlaced, segmented frame or progressive.
    unsigned int scanningKindFromScanningBits() const;
    // Level B carries a 10-bit 4:2:2/4:2:0 progressive picture as two
    // interlace-structured streams; other level B pictures follow their bits.
    unsigned int levelBScanningKind() const;
    // One progressive field of 1125 lines, or two of 563 and 562.
    std::vector<unsigned int> fieldHeights1125Lines() const;
    std::vector<unsigned int> firstActiveLines1125Lines() const;
    // 1920 or 2048 by the horizontal array size.
    unsigned int subImageWidth1080() const;
    // "Incorrect payload identifier: " unless byte 1 is code.
    QStringList checkPayloadCode(PayloadId::PayloadAndDigitalInterface code) const;
    // Picture rate 2..11 and sampling structure 0..10, as 3G interfaces need.
    QStringList checkRateAndSamplingRanges() const;
    static QString fieldMessage(const char* text, int value);

    static bool isOneOf(int value, std::initializer_list<int> allowed);
    template <typename Enum>
    static int asInt(Enum value) {
        return static_cast<int>(value);
    }

    // Maps of the interface classes start from these. The generic map holds
    // every field with a generic definition except the audio copy status.
    static FieldMap genericFieldMap();
    // Byte 3 as 1.5G and level B interfaces lay it out: aspect ratio in bit
    // 5 and colourimetry in bits 4 and 7, carried over from dual-link usage.
    static FieldMap withDualLinkByte3Layout(FieldMap map);
    // Generic map plus audio copy status and the interface's channel field.
    static FieldMap multiLinkFieldMap(PayloadIdentifierField channel);
    // A word holding every field value that fieldMap has a field for (the
    // rest are left out). Fields never overlap, so the order of writing does
    // not matter and all builders can share this one.
    static std::uint32_t composeWordFromFields(
        const FieldLayout& layout, PayloadId::PayloadAndDigitalInterface code,
        PayloadId::TransportFormat transportFormat, PayloadId::PictureFormat pictureFormat,
        PayloadId::PictureRate pictureRate, PayloadId::SampleStructure sampleStructure,
        PayloadId::Colourimetry colourimetry, PayloadId::AspectRatio aspectRatio,
        PayloadId::HorizontalPixelArraySize horizontalPixelArraySize, PayloadId::BitDepth bitDepth,
        PayloadId::AudioCopyStatus audioCopyStatus, PayloadId::Channel channel,
        PayloadId::TransferCurve transferCurve,
        PayloadId::LuminanceAndColourDifferenceSignal luminanceAndColourDifferenceSignal);

private:
    // The seven generic fields of the word-only constructor.
    static const FieldLayout& defaultFieldLayout();
    unsigned int readField(FieldType type) const {
        return layout_->read(type, payloadIdentifierWord_);
    }

    void logReservedBits() const;

    std::uint32_t payloadIdentifierWord_;
    std::array<std::uint8_t, 4> bytes_;
    // Set only for a map handed in by the caller; copies share it.
    std::shared_ptr<const FieldLayout> ownLayout_;
    const FieldLayout* layout_;
};

using PayloadIdentifierPtr = std::shared_ptr<const PayloadIdentifierBase>;

// What toHumanReadable(omitChannel) composes its line from, for texts built
// the same way from other values.
SdiUtility::StandardTextParts standardTextPartsOf(const PayloadIdentifierBase& id,
                                                  bool omitChannel);

}  // namespace Corvane::Sdi
