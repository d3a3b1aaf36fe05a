// The one-line text of an identifier.

#include "sdi/PayloadIdentifierBase.h"

namespace Corvane::Sdi {

QString PayloadIdentifierBase::toHumanReadable(bool omitChannel) const {
    if (payloadIdentifierWord_ == 0) {
        return QStringLiteral("No payload identifier");
    }
    return SdiUtility::composeStandardText(standardTextPartsOf(*this, omitChannel));
}

SdiUtility::StandardTextParts standardTextPartsOf(const PayloadIdentifierBase& id,
                                                  bool omitChannel) {
    using namespace SdiUtility;
    StandardTextParts parts;
    parts.width = id.getReconstructedImageWidthInPixels();
    parts.height = id.getReconstructedImageHeightInPixels();
    parts.scanningKind = id.getPicutreInterlacedProgressivePsf();
    parts.pictureRate = id.getPictureRate();
    parts.pictureFormat = id.getPictureInterlaced();
    parts.sampleStructure = id.getSampleStructure();
    parts.bitDepth = id.getBitDepth();
    parts.links = id.getNumPhysicalConnections();
    parts.linkRate = id.getDataRatePerPhysicalConnection();
    parts.level = id.getLevel();
    const SubImagePixelMappingFormat mapping = id.getSubImagePixelMappingFormat();
    if (mapping != SubImagePixelMappingFormat::None) {
        parts.layout = subImagePixelMappingFormatToString(mapping);
    }
    if (!omitChannel && id.hasField(PayloadIdentifierBase::FieldType::Channel)) {
        parts.channel = channelToString(parts.links, parts.linkRate, parts.level,
                                        static_cast<int>(id.getChannel()));
    }
    parts.luminance = id.getLuminanceAndColourDifferenceSignal();
    parts.transfer = id.getTransferCharacteristics();
    parts.colourimetry = id.getColourimetry();
    return parts;
}

}  // namespace Corvane::Sdi
