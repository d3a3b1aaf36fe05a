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

#include <stdexcept>

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
    StandardList list;
    switch (code) {
        case 0x84:
            VSC::add720_1g5(f.rate, f.sampling, f.colourimetry, f.depth, f.transfer, f.luminance,
                            list);
            break;
        case 0x88:
            VSC::add720_3g(f.rate, f.sampling, f.colourimetry, f.aspect, f.depth, f.transfer,
                           f.luminance, list);
            break;
        case 0x85:
        case 0x89:
        case 0x8A: {
            const auto add =
                code == 0x85   ? VSC::add1080_1g5
                : code == 0x89 ? (quadrants ? VSC::add2160_QuadLink3gQuadrantMode : VSC::add1080_3g)
                               : (quadrants ? VSC::add2160_QuadLinkLevelb3gQuadrantMode
                                            : VSC::add1080_Levelb3g);
            add(f.picture, f.transport, f.rate, f.sampling, f.colourimetry, f.aspect, f.width,
                f.depth, f.transfer, f.luminance, list);
            break;
        }
        case 0x97:
        case 0x98:
        case 0xC0:
        case 0xC2:
        case 0xCE: {
            const auto add = code == 0x97   ? VSC::add2160_QuadLink3g
                             : code == 0x98 ? VSC::add2160_QuadLinkLevelb3g
                             : code == 0xC0 ? VSC::add2160_6g
                             : code == 0xC2 ? VSC::add2160_DualLink6g
                                            : VSC::add2160_12g;
            add(f.picture, f.transport, f.rate, f.sampling, f.colourimetry, f.aspect, f.width,
                f.depth, f.copy, f.transfer, f.luminance, list);
            break;
        }
        default:
            throw std::invalid_argument("no builder for this code");
    }
    if (list.size() != 1 || list.front() == nullptr) {
        throw std::logic_error("a builder must append exactly one standard");
    }
    return std::move(list.front());
}

}  // namespace Corvane::Sdi::Testing
