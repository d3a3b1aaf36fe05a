#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "sdi/PayloadIdentifierBase.h"
#include "sdi/SdiTypes.h"
#include "sdi/TqCircularBufferMetrics.h"
#include "sdi/VirtualInterfaceMetrics.h"

namespace Corvane::Sdi {

// One complete video standard as it travels on the SDI links: the payload
// identifiers of every link and sub-image, in link order, and everything
// derived from them. Almost every answer comes from the first identifier; a
// list of at least three 1080-line identifiers is the quadrant mode, a
// 2160-line picture carried as four 1080-line quadrants.
//
// Every query but getPayloadIdentifiers and getPayloadIdentifierWords expects
// a standard made by createStandardFromPayloadIdentifier; on one built from
// an empty list they throw std::out_of_range, as they do when an identifier
// lacks a field position the query needs.
class StandardFromPayloadIdentifier {
public:
    using PayloadIdentifierList = std::vector<PayloadIdentifierPtr>;
    // See getActivePictureMappingMode.
    using ActivePictureMappingMode = unsigned int;

    // The standard of `identifiers`, or nothing when the list is empty or an
    // identifier's byte 1 does not match its interface class.
    static std::unique_ptr<const StandardFromPayloadIdentifier> createStandardFromPayloadIdentifier(
        const PayloadIdentifierList& identifiers);

    explicit StandardFromPayloadIdentifier(const PayloadIdentifierList& identifiers);
    StandardFromPayloadIdentifier(const StandardFromPayloadIdentifier& other);
    StandardFromPayloadIdentifier& operator=(const StandardFromPayloadIdentifier&) = delete;

    // 12G, 6G and 3G links carry two identifiers (data streams) per sub-image.
    static bool standardsAtSpigotRateHaveTwoPayloadIdentifiersPerLane(SdiDataRate rate);
    // A 1920- or 2048-wide picture can be one quadrant of a 2160-line one: a
    // list of three or more such identifiers is the quadrant mode.
    static bool fitsQuadrantMode(const PayloadIdentifierBase& identifier);

    PayloadIdentifierList getPayloadIdentifiers() const { return payloadIdentifiers_; }
    std::vector<std::uint32_t> getPayloadIdentifierWords() const;
    // The two identifiers of sub-image `index` at 3G and faster (empty when
    // the second does not exist); the first identifier at slower rates.
    PayloadIdentifierList getPayloadIdentifiersForSubImage(unsigned int index) const;
    bool isQuadrantMode() const { return quadrantMode_; }
    bool areAllPayloadIdentifiersValid() const { return allPayloadIdentifiersValid_; }

    // Field values of the first identifier.
    PayloadId::TransportFormat getTransportFormat() const;
    PayloadId::PictureFormat getPictureFormat() const;
    PayloadId::PictureRate getPictureRate() const;
    PayloadId::SampleStructure getSampleStructure() const;
    PayloadId::AspectRatio getAspectRatio() const;
    PayloadId::HorizontalPixelArraySize getSubImageHorizontalPixelArraySize() const;
    PayloadId::BitDepth getBitDepth() const;
    PayloadId::Colourimetry getColourimetry() const;
    PayloadId::TransferCurve getTransferCurve() const;
    PayloadId::LuminanceAndColourDifferenceSignal getLuminanceAndColourDifferenceSignal() const;
    unsigned int getLevel() const;
    // A ScanningKind value.
    unsigned int getCombinedFormat() const;

    // Structure.
    unsigned int getSubImageCount() const;
    SubImagePixelMappingFormat getSubimagePixelMappingFormat() const;
    unsigned int getNumberOfPhysicalLinks() const;
    std::vector<SdiDataRate> getPhysicalLinksDataRates() const;
    // (width, height) of the whole picture.
    std::pair<unsigned int, unsigned int> getReconsutructedImageDimensionsInPixels() const;
    SdiDataRate getTotalDataRate() const;

    // Timing of one sub-image.
    unsigned int getSubImageFrameWidth() const;
    unsigned int getSubImageFrameHeight() const;
    unsigned int getSubImageActiveWidth() const;
    unsigned int getSubImageActiveHeight() const;
    unsigned int getSubPicuturePixelRateInHz() const;
    double get20BitSampleRateInMicroSeconds() const;
    unsigned int getNumberOfPixelsFromStartOfLine1To0H() const;
    unsigned int getFirstLineOfActivePicture(bool useGivenMapping,
                                             SubImagePixelMappingFormat mapping) const;
    unsigned int getReconstructedPictureHorizontalblankingSize(
        bool useGivenMapping, SubImagePixelMappingFormat mapping) const;
    unsigned int getNumberOfConsecutive20BitActiveSamplesPerPhysicalLink() const;
    void getWidthAndHeightOfSubImageFrameForTimingCalculations(int& width, int& height) const;

    // Classification.
    //   0 level A 10-bit 4:2:2 (and every combination not listed below)
    //   1 level A 10-bit 4:4:4 forms     5 level B 10-bit 4:4:4 forms
    //   2 level A 12-bit 4:4:4 / X'Y'Z'  6 level B 12-bit 4:4:4 / X'Y'Z'
    //   3 level A 12-bit 4:2:2 forms     7 level B 12-bit 4:2:2 forms
    //   4 level B 10-bit 4:2:2
    ActivePictureMappingMode getActivePictureMappingMode() const;
    bool isExtendedColourMode() const;
    bool isLevelBLineInterleaved() const;
    bool isChromaHalved() const;
    bool hasAlphaChannel() const;

    // The frame one virtual interface carries, fields counting lines from 0.
    VirtualInterfaceMetrics getVirtualInterfaceMetrics() const;
    // The field and lane layout of one frame in the capture buffer; `ok`
    // false (and no partitions) for layouts the capture does not support.
    TqCircularBufferMetrics getTransmissionMetrics(bool& ok) const;

    // "1920x1080p50 YCbCr:422:10 3G A Rec.709"; the link text is left out.
    QString getStandardAsShortText() const;
    QString getStandardAsLongText() const { return getStandardAsShortText(); }
    // "1080i50", "2160p59.94".
    QString getStandardAsReferenceString() const;

    bool operator==(const StandardFromPayloadIdentifier& other) const;
    bool operator!=(const StandardFromPayloadIdentifier& other) const { return !(*this == other); }

private:
    const PayloadIdentifierBase& first() const;
    FieldMetrics fieldMetrics(unsigned int field, bool continueLineCount,
                              unsigned int widthFactor) const;
    TqCircularBufferMetrics buildTransmissionMetrics(bool& ok) const;

    PayloadIdentifierList payloadIdentifiers_;
    PayloadIdentifierPtr firstPayloadIdentifier_;
    bool quadrantMode_ = false;
    std::uint32_t quadrantModePhysicalLinkCount_ = 4;
    bool allPayloadIdentifiersValid_ = false;
};

}  // namespace Corvane::Sdi
