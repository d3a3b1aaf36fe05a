#pragma once

#include <initializer_list>
#include <vector>

#include "sdi/SdiTypes.h"
#include "sdi/StandardFromPayloadIdentifier.h"
#include "sdi/VideoStandardCreator.h"

namespace Corvane::Sdi {

// The instrument's catalogue of SDI video standards: those the analyser
// recognises and those the generator produces, each list in presentation
// order. The analyser list is the generator list plus standards the
// instrument receives but does not generate. Building it creates every
// identifier of about a thousand standards, so build it once and keep it
// (instance() does that for the process).
class SupportedVideoStandards {
public:
    using StandardPointers = std::vector<const StandardFromPayloadIdentifier*>;

    SupportedVideoStandards();
    SupportedVideoStandards(const SupportedVideoStandards&) = delete;
    SupportedVideoStandards& operator=(const SupportedVideoStandards&) = delete;

    // The catalogue of this process, built on first use (thread-safe).
    static const SupportedVideoStandards& instance();

    // Valid as long as this object lives.
    const StandardPointers& getSupportedAnalyserStandards() const { return analyser_; }
    const StandardPointers& getSupportedGeneratorStandards() const { return generator_; }

private:
    using PF = PayloadId::PictureFormat;
    using TF = PayloadId::TransportFormat;
    using Rates = std::initializer_list<PayloadId::PictureRate>;
    using S = PayloadId::SampleStructure;
    using C = PayloadId::Colourimetry;
    using A = PayloadId::AspectRatio;
    using W = PayloadId::HorizontalPixelArraySize;
    using D = PayloadId::BitDepth;
    using Copy = PayloadId::AudioCopyStatus;
    using T = PayloadId::TransferCurve;
    using L = PayloadId::LuminanceAndColourDifferenceSignal;

    static void populateStandards(StandardList& standards, bool analyser);

    static void add2160_12g_standards(C c, T t, StandardList& standards, bool analyser);
    static void add2160_DualLink6g_standards(C c, T t, StandardList& standards, bool analyser);
    static void add2160_6g_standards(C c, T t, StandardList& standards);
    static void add2160_QuadLinkLevelb3g_standards(C c, T t, StandardList& standards,
                                                   bool analyser);
    static void add2160_QuadLink3g_standards(C c, T t, StandardList& standards, bool analyser);
    static void add2160_QuadLinkLevelb3gQuadrantMode_standards(C c, T t, StandardList& standards,
                                                               bool analyser);
    static void add2160_QuadLink3gQuadrantMode_standards(C c, T t, StandardList& standards,
                                                         bool analyser);
    static void add1080_3gLevelb_422_10_standards(C c, T t, StandardList& standards, bool analyser);
    static void add1080_3gLevelb_extended_standards(C c, T t, StandardList& standards);
    static void add1080_3g_422_10_standards(C c, T t, StandardList& standards, bool analyser);
    static void add1080_3g_extended_standards(C c, T t, StandardList& standards);
    static void add720_3g_444_standards(C c, T t, StandardList& standards);
    static void add1080_1g5_standards(C c, T t, StandardList& standards);
    static void add720_1g5_standards(C c, T t, StandardList& standards);

    // The builder of the same name once per rate, in the order given.
    static void add720_3g_RateSweep(Rates rates, S s, C c, A a, D d, T t, L l,
                                    StandardList& standards);
    static void add1080_3g_RateSweep(PF p, TF tf, Rates rates, S s, C c, A a, W w, D d, T t, L l,
                                     StandardList& standards);
    static void add1080_Levelb3g_RateSweep(PF p, TF tf, Rates rates, S s, C c, A a, W w, D d, T t,
                                           L l, StandardList& standards);
    static void add2160_12g_RateSweep(PF p, TF tf, Rates rates, S s, C c, A a, W w, D d, Copy copy,
                                      T t, L l, StandardList& standards);
    static void add2160_6g_RateSweep(PF p, TF tf, Rates rates, S s, C c, A a, W w, D d, Copy copy,
                                     T t, L l, StandardList& standards);
    static void add2160_DualLink6g_RateSweep(PF p, TF tf, Rates rates, S s, C c, A a, W w, D d,
                                             Copy copy, T t, L l, StandardList& standards);
    static void add2160_QuadLink3g_RateSweep(PF p, TF tf, Rates rates, S s, C c, A a, W w, D d,
                                             Copy copy, T t, L l, StandardList& standards);
    static void add2160_QuadLinkLevelb3g_RateSweep(PF p, TF tf, Rates rates, S s, C c, A a, W w,
                                                   D d, Copy copy, T t, L l,
                                                   StandardList& standards);
    static void add2160_QuadLink3gQuadrantMode_RateSweep(PF p, TF tf, Rates rates, S s, C c, A a,
                                                         W w, D d, T t, L l,
                                                         StandardList& standards);
    static void add2160_QuadLinkLevelb3gQuadrantMode_RateSweep(PF p, TF tf, Rates rates, S s, C c,
                                                               A a, W w, D d, T t, L l,
                                                               StandardList& standards);

    StandardList analyserStandards_;
    StandardList generatorStandards_;
    StandardPointers analyser_;
    StandardPointers generator_;
};

}  // namespace Corvane::Sdi
