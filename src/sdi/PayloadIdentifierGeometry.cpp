// Scanning and line geometry the interface classes share.

#include "sdi/PayloadIdentifierBase.h"

namespace Corvane::Sdi {

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

}  // namespace Corvane::Sdi
