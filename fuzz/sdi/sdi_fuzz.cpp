// Feeds arbitrary words to the payload identifier classes: each five-byte
// record picks an interface class and a word, and up to eight of them make a
// standard whose texts, timing and capture layout are all worked out.

#include "FuzzSupport.h"
#include "sdi/PayloadIdentifierFactory.h"
#include "sdi/StandardFromPayloadIdentifier.h"

namespace {

using namespace Corvane::Sdi;

// Every reading of an identifier, as a receiver of an unknown signal makes
// them all.
void readAll(const PayloadIdentifierBase& id) {
    for (int byte = -1; byte <= 4; ++byte) {
        id.getByte(byte);
    }
    id.getSubImagePixelMappingFormat();
    id.getNumPhysicalConnections();
    id.getDataRatePerPhysicalConnection();
    id.getLevel();
    id.getNumSubPictures();
    id.getPicutreInterlacedProgressivePsf();
    id.getFieldHeights();
    id.getFieldFirstLineNumbersOfActivePicture();
    id.getFieldActivePictureWidthInSamples();
    id.getFieldActivePictureHeight();
    id.getReconstructedImageWidthInPixels();
    id.getReconstructedImageHeightInPixels();
    id.toHumanReadable(true);
    id.hasCorrectpayloadAndDigitalInterface();
    id.getPayloadAndDigitialInterface();
    id.getSampleStructure();
    id.getPictureRate();
    id.getPictureInterlaced();
    id.getTransportInterlaced();
    id.getBitDepth();
    id.getAspectRatio();
    id.getHorizontalArraySize();
    id.getColourimetry();
    id.getTransferCharacteristics();
    id.getLuminanceAndColourDifferenceSignal();
    id.getChannel();
    id.getAudioCopyStatus();
    id.doubleActiveLineLengthIfTwoLocationsRequiredPerPixel(1920);
}

}  // namespace

CORVANE_FUZZ_USAGE(
    "Decodes arbitrary payload identifier words through every interface\n"
    "class and builds standards of them.")

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto& classes = PayloadIdentifierFactory::interfaces();
    StandardFromPayloadIdentifier::PayloadIdentifierList list;
    for (; size >= 5 && list.size() < 8; data += 5, size -= 5) {
        // Bit 7 of the selector keeps the word's own byte 1, so that words of
        // the wrong interface reach the classes too.
        const PayloadIdentifierInterface& chosen = classes[(data[0] & 0x7F) % classes.size()];
        std::uint32_t word = (std::uint32_t{data[1]} << 24) | (std::uint32_t{data[2]} << 16) |
                             (std::uint32_t{data[3]} << 8) | data[4];
        if ((data[0] & 0x80) == 0) {
            word = (word & 0x00FFFFFF) | (static_cast<std::uint32_t>(chosen.code) << 24);
        }
        const PayloadIdentifierPtr id = chosen.create(word);
        if (id->toHumanReadable(false).isEmpty() ||
            !id->checkThatPayloadIdentifierFieldsDoNotOverlap()) {
            __builtin_trap();  // every identifier has a text, and no class's fields overlap
        }
        id->doSmpteValidationChecks();
        id->doReservedBitsChecks();
        readAll(*id);
        if (!list.empty()) {
            id->compareForVideoStandard(*list.front(), false);
        }
        list.push_back(id);
    }
    const auto standard = StandardFromPayloadIdentifier::createStandardFromPayloadIdentifier(list);
    if (standard) {
        standard->getPayloadIdentifierWords();
        for (unsigned int i = 0; i <= standard->getSubImageCount(); ++i) {
            standard->getPayloadIdentifiersForSubImage(i);
        }
        standard->getTransportFormat();
        standard->getPictureFormat();
        standard->getPictureRate();
        standard->getSampleStructure();
        standard->getAspectRatio();
        standard->getSubImageHorizontalPixelArraySize();
        standard->getBitDepth();
        standard->getColourimetry();
        standard->getTransferCurve();
        standard->getLuminanceAndColourDifferenceSignal();
        standard->getLevel();
        standard->getCombinedFormat();
        standard->getSubimagePixelMappingFormat();
        standard->getNumberOfPhysicalLinks();
        standard->getPhysicalLinksDataRates();
        standard->getReconsutructedImageDimensionsInPixels();
        standard->getSubImageFrameHeight();
        standard->getSubImageActiveWidth();
        standard->getSubImageActiveHeight();
        standard->getSubPicuturePixelRateInHz();
        standard->get20BitSampleRateInMicroSeconds();
        standard->getNumberOfPixelsFromStartOfLine1To0H();
        int width = 0, height = 0;
        standard->getWidthAndHeightOfSubImageFrameForTimingCalculations(width, height);
        standard->getActivePictureMappingMode();
        standard->isExtendedColourMode();
        standard->isLevelBLineInterleaved();
        standard->isChromaHalved();
        standard->hasAlphaChannel();
        standard->getStandardAsShortText();
        standard->getStandardAsReferenceString();
        standard->getTotalDataRate();
        standard->getSubImageFrameWidth();
        standard->getNumberOfConsecutive20BitActiveSamplesPerPhysicalLink();
        standard->getReconstructedPictureHorizontalblankingSize(false,
                                                                SubImagePixelMappingFormat::None);
        standard->getVirtualInterfaceMetrics();
        bool ok = false;
        standard->getTransmissionMetrics(ok);
    }
    return 0;
}
