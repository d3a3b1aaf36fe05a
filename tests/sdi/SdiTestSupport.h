#pragma once

// Identifiers and standards built by interface code, shared by the SDI tests.

#include "sdi/PayloadIdentifier1080_1g5.h"
#include "sdi/PayloadIdentifier1080_3g.h"
#include "sdi/PayloadIdentifier1080_Levelb3g.h"
#include "sdi/PayloadIdentifier2160_12g.h"
#include "sdi/PayloadIdentifier2160_6g.h"
#include "sdi/PayloadIdentifier2160_DualLink6g.h"
#include "sdi/PayloadIdentifier2160_QuadLink3g.h"
#include "sdi/PayloadIdentifier2160_QuadLinkLevelb3g.h"
#include "sdi/PayloadIdentifier720_1g5.h"
#include "sdi/PayloadIdentifier720_3g.h"
#include "sdi/PayloadIdentifierFactory.h"
#include "sdi/VideoStandardCreator.h"

#include <map>
#include <stdexcept>
#include <utility>

namespace Corvane::Sdi::Testing {

using PF = PayloadId::PictureFormat;
using TF = PayloadId::TransportFormat;
using R = PayloadId::PictureRate;
using S = PayloadId::SampleStructure;
using D = PayloadId::BitDepth;
using W = PayloadId::HorizontalPixelArraySize;
using A = PayloadId::AspectRatio;
using C = PayloadId::Colourimetry;
using T = PayloadId::TransferCurve;
using L = PayloadId::LuminanceAndColourDifferenceSignal;
using Copy = PayloadId::AudioCopyStatus;

// The class of interface `code` holding `word`; by default the word's own code.
inline PayloadIdentifierPtr identifier(std::uint32_t word, int code = -1) {
    const PayloadIdentifierPtr id =
        code < 0 ? PayloadIdentifierFactory::create(word)
                 : PayloadIdentifierFactory::create(word, static_cast<std::uint8_t>(code));
    if (id == nullptr) {
        throw std::invalid_argument("no interface class for this code");
    }
    return id;
}

// Field values of a standard; what is not given is 1080p50 4:2:2 10-bit Rec.709.
struct Fields {
    PF picture = PF::Progressive;
    TF transport = TF::Progressive;
    R rate = R::Rate50;
    S sampling = S::YCbCr422;
    W width = W::Pixels1920;
    D depth = D::Bit10;
    C colourimetry = C::Rec709;
    A aspect = A::Ratio16x9;
    T transfer = T::SdrTv;
    L luminance = L::YCbCr;
    Copy copy = Copy::NotSet;
};

// The standard the builder of interface `code` makes from `f`; quadrants
// selects the 2160-line quadrant builders of codes 0x89 and 0x8A.
inline std::unique_ptr<const StandardFromPayloadIdentifier> standard(int code, const Fields& f,
                                                                     bool quadrants = false) {
    using VSC = VideoStandardCreator;
    // The builders of one argument list: without, then with the audio copy status.
    static const std::map<std::pair<int, bool>, decltype(&VSC::add1080_3g)> noCopy = {
        {{0x85, false}, VSC::add1080_1g5},
        {{0x89, false}, VSC::add1080_3g},
        {{0x8A, false}, VSC::add1080_Levelb3g},
        {{0x89, true}, VSC::add2160_QuadLink3gQuadrantMode},
        {{0x8A, true}, VSC::add2160_QuadLinkLevelb3gQuadrantMode}};
    static const std::map<int, decltype(&VSC::add2160_12g)> withCopy = {
        {0x97, VSC::add2160_QuadLink3g},
        {0x98, VSC::add2160_QuadLinkLevelb3g},
        {0xC0, VSC::add2160_6g},
        {0xC2, VSC::add2160_DualLink6g},
        {0xCE, VSC::add2160_12g}};
    StandardList list;
    const auto add = noCopy.find({code, quadrants});
    const auto addWithCopy = withCopy.find(code);
    if (code == 0x84) {
        VSC::add720_1g5(f.rate, f.sampling, f.colourimetry, f.depth, f.transfer, f.luminance, list);
    } else if (code == 0x88) {
        VSC::add720_3g(f.rate, f.sampling, f.colourimetry, f.aspect, f.depth, f.transfer,
                       f.luminance, list);
    } else if (add != noCopy.end()) {
        add->second(f.picture, f.transport, f.rate, f.sampling, f.colourimetry, f.aspect, f.width,
                    f.depth, f.transfer, f.luminance, list);
    } else if (addWithCopy != withCopy.end() && !quadrants) {
        addWithCopy->second(f.picture, f.transport, f.rate, f.sampling, f.colourimetry, f.aspect,
                            f.width, f.depth, f.copy, f.transfer, f.luminance, list);
    } else {
        throw std::invalid_argument("no builder for this code");
    }
    if (list.size() != 1 || list.front() == nullptr) {
        throw std::logic_error("a builder must append exactly one standard");
    }
    return std::move(list.front());
}

}  // namespace Corvane::Sdi::Testing
