// Comparison of two identifiers: the whole word, or the video standard they describe.

#include "sdi/PayloadIdentifierBase.h"

#include "app/Logging.h"

namespace Corvane::Sdi {

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

}  // namespace Corvane::Sdi
