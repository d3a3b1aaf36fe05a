#include "sdi/SupportedVideoStandards.h"

#include <initializer_list>
#include <utility>

namespace Corvane::Sdi {

namespace {

using PF = PayloadId::PictureFormat;
using TF = PayloadId::TransportFormat;
using R = PayloadId::PictureRate;
using S = PayloadId::SampleStructure;
using D = PayloadId::BitDepth;
using W = PayloadId::HorizontalPixelArraySize;
using A = PayloadId::AspectRatio;
using C = PayloadId::Colourimetry;
using T = PayloadId::TransferCurve;

constexpr auto ycbcr = PayloadId::LuminanceAndColourDifferenceSignal::YCbCr;
constexpr auto noCopyStatus = PayloadId::AudioCopyStatus::NotSet;

// Every width of the catalogue comes with one aspect-ratio flag: the 1920
// (3840) wide pictures carry 1, the 2048 (4096) wide ones 0.
A aspectFor(W width) {
    return width == W::Pixels1920 ? A::Ratio16x9 : A::Ratio4x3;
}

// A run of picture rates at one width; some runs only the analyser receives.
struct RateGroup {
    W width;
    std::initializer_list<R> rates;
    bool analyserOnly;
};

// The 2160-line families, quadrant modes included.
const RateGroup groups2160[] = {
    {W::Pixels2048, {R::Rate48_1001, R::Rate48, R::Rate50, R::Rate60_1001, R::Rate60}, false},
    {W::Pixels1920, {R::Rate50, R::Rate60_1001, R::Rate60}, false},
    {W::Pixels1920, {R::Rate48_1001, R::Rate48}, true},
};

// 1080-line 4:2:2 10-bit on one 3G link, either level.
const RateGroup groups1080_3g[] = {
    {W::Pixels1920, {R::Rate50, R::Rate60_1001, R::Rate60}, false},
    {W::Pixels2048, {R::Rate48_1001, R::Rate48, R::Rate50, R::Rate60_1001, R::Rate60}, false},
    {W::Pixels1920, {R::Rate48_1001, R::Rate48}, true},
};

constexpr std::initializer_list<R> threeRates = {R::Rate30, R::Rate30_1001, R::Rate25};
constexpr std::initializer_list<R> fiveRates = {R::Rate30, R::Rate30_1001, R::Rate25, R::Rate24,
                                                R::Rate24_1001};
constexpr std::initializer_list<R> sixGRates = {R::Rate24_1001, R::Rate24, R::Rate25,
                                                R::Rate30_1001, R::Rate30};

// Extended colour modes on one 3G link: each listed sampling structure is a
// group of its own, in the order given.
struct ExtendedGroups {
    PF picture;
    TF transport;
    W width;
    std::initializer_list<S> samplings;
    D depth;
    std::initializer_list<R> rates;
};

constexpr PF pP = PF::Progressive;
constexpr PF pI = PF::Interlaced;
constexpr TF tP = TF::Progressive;
constexpr TF tI = TF::Interlaced;
constexpr std::initializer_list<S> rgbAndYcbcr444 = {S::Rgb444, S::RgbA4444, S::YCbCr444,
                                                     S::YCbCrA4444};
constexpr std::initializer_list<S> rgbAndYcbcr = {S::Rgb444, S::YCbCr444};
constexpr std::initializer_list<S> ycbcr422 = {S::YCbCr422};
constexpr std::initializer_list<S> ycbcr422WithAlpha = {S::YCbCr422, S::YCbCrA4224};

const ExtendedGroups extendedLevelA[] = {
    {pI, tI, W::Pixels1920, rgbAndYcbcr444, D::Bit10, threeRates},
    {pP, tP, W::Pixels1920, rgbAndYcbcr444, D::Bit10, fiveRates},
    {pP, tI, W::Pixels1920, rgbAndYcbcr444, D::Bit10, fiveRates},
    {pP, tP, W::Pixels2048, rgbAndYcbcr444, D::Bit10, fiveRates},
    {pP, tI, W::Pixels2048, rgbAndYcbcr444, D::Bit10, fiveRates},
    {pI, tI, W::Pixels1920, rgbAndYcbcr, D::Bit12, threeRates},
    {pP, tP, W::Pixels1920, rgbAndYcbcr, D::Bit12, fiveRates},
    {pP, tP, W::Pixels2048, rgbAndYcbcr, D::Bit12, fiveRates},
    {pP, tI, W::Pixels2048, rgbAndYcbcr, D::Bit12, fiveRates},
    {pI, tI, W::Pixels1920, ycbcr422, D::Bit12, threeRates},
    {pP, tP, W::Pixels1920, ycbcr422, D::Bit12, fiveRates},
    {pP, tI, W::Pixels1920, ycbcr422, D::Bit12, fiveRates},
    {pP, tP, W::Pixels2048, ycbcr422WithAlpha, D::Bit12, fiveRates},
    {pP, tI, W::Pixels2048, ycbcr422WithAlpha, D::Bit12, fiveRates},
};

const ExtendedGroups extendedLevelB[] = {
    {pP, tP, W::Pixels1920, rgbAndYcbcr444, D::Bit10, fiveRates},
    {pP, tP, W::Pixels2048, rgbAndYcbcr444, D::Bit10, fiveRates},
    {pP, tP, W::Pixels1920, rgbAndYcbcr, D::Bit12, fiveRates},
    {pP, tP, W::Pixels2048, rgbAndYcbcr, D::Bit12, fiveRates},
    {pP, tP, W::Pixels1920, ycbcr422, D::Bit12, fiveRates},
    {pP, tP, W::Pixels2048, ycbcr422WithAlpha, D::Bit12, fiveRates},
};

// Calls `build(width, rates)` for every group, in order, leaving out the
// analyser-only groups when building the generator list.
template <typename Build, std::size_t N>
void forEachGroup(const RateGroup (&groups)[N], bool analyser, Build build) {
    for (const RateGroup& group : groups) {
        if (!group.analyserOnly || analyser) {
            build(group.width, group.rates);
        }
    }
}

// Calls `builder` once per rate, the rate in third place of its arguments.
template <typename Builder, typename... After>
void sweep(Builder builder, PF picture, TF transport, std::initializer_list<R> rates,
           After&... after) {
    for (R rate : rates) {
        builder(picture, transport, rate, after...);
    }
}

// The rate sweeps of the 2160-line and 1080-line builders.
using Sweep2160 = void (*)(PF, TF, std::initializer_list<R>, S, C, A, W, D,
                           PayloadId::AudioCopyStatus, T,
                           PayloadId::LuminanceAndColourDifferenceSignal, StandardList&);
using Sweep1080 = void (*)(PF, TF, std::initializer_list<R>, S, C, A, W, D, T,
                           PayloadId::LuminanceAndColourDifferenceSignal, StandardList&);

void add2160Family(Sweep2160 sweep2160, TF transport, C c, T t, StandardList& standards,
                   bool analyser) {
    forEachGroup(groups2160, analyser, [&](W width, std::initializer_list<R> rates) {
        sweep2160(pP, transport, rates, S::YCbCr422, c, aspectFor(width), width, D::Bit10,
                  noCopyStatus, t, ycbcr, standards);
    });
}

void add1080Family(Sweep1080 sweep1080, const RateGroup (&groups)[3], TF transport, C c, T t,
                   StandardList& standards, bool analyser) {
    forEachGroup(groups, analyser, [&](W width, std::initializer_list<R> rates) {
        sweep1080(pP, transport, rates, S::YCbCr422, c, aspectFor(width), width, D::Bit10, t, ycbcr,
                  standards);
    });
}

// Each listed sampling structure of a group is a group of its own.
template <std::size_t N>
void addExtendedFamily(Sweep1080 sweep1080, const ExtendedGroups (&groups)[N], C c, T t,
                       StandardList& standards) {
    for (const ExtendedGroups& group : groups) {
        for (S sampling : group.samplings) {
            sweep1080(group.picture, group.transport, group.rates, sampling, c,
                      aspectFor(group.width), group.width, group.depth, t, ycbcr, standards);
        }
    }
}

using Pair = std::pair<C, T>;
constexpr std::initializer_list<Pair> pairs2160 = {
    {C::Rec709, T::SdrTv}, {C::Rec2020, T::SdrTv}, {C::Rec2020, T::Pq}, {C::Rec2020, T::Hlg}};
constexpr std::initializer_list<Pair> pairs422 = {
    {C::Rec709, T::SdrTv}, {C::Rec2020, T::Pq}, {C::Rec2020, T::Hlg}, {C::Rec2020, T::SdrTv}};
constexpr std::initializer_list<Pair> pairsSdr = {{C::Rec709, T::SdrTv}, {C::Rec2020, T::SdrTv}};
constexpr std::initializer_list<Pair> pairs720_1g5 = {
    {C::Rec709, T::SdrTv}, {C::Rec2020, T::Pq}, {C::Rec2020, T::Hlg}};

}  // namespace

SupportedVideoStandards::SupportedVideoStandards() {
    populateStandards(analyserStandards_, true);
    populateStandards(generatorStandards_, false);
    for (const auto& standard : analyserStandards_) {
        analyser_.push_back(standard.get());
    }
    for (const auto& standard : generatorStandards_) {
        generator_.push_back(standard.get());
    }
}

const SupportedVideoStandards& SupportedVideoStandards::instance() {
    static const SupportedVideoStandards catalogue;
    return catalogue;
}

void SupportedVideoStandards::populateStandards(StandardList& standards, bool analyser) {
    // Each family once per colourimetry/transfer pair, in presentation order.
    const auto withFlag = [&](std::initializer_list<Pair> pairs, auto family) {
        for (const auto& [c, t] : pairs) {
            family(c, t, standards, analyser);
        }
    };
    const auto withoutFlag = [&](std::initializer_list<Pair> pairs, auto family) {
        for (const auto& [c, t] : pairs) {
            family(c, t, standards);
        }
    };
    withFlag(pairs2160, &add2160_12g_standards);
    withFlag(pairs2160, &add2160_DualLink6g_standards);
    withoutFlag(pairs2160, &add2160_6g_standards);
    withFlag(pairs2160, &add2160_QuadLinkLevelb3g_standards);
    withFlag(pairs2160, &add2160_QuadLink3g_standards);
    withFlag(pairs2160, &add2160_QuadLinkLevelb3gQuadrantMode_standards);
    withFlag(pairs2160, &add2160_QuadLink3gQuadrantMode_standards);
    withFlag(pairs422, &add1080_3gLevelb_422_10_standards);
    if (analyser) {
        withoutFlag(pairsSdr, &add1080_3gLevelb_extended_standards);
    }
    withFlag(pairs422, &add1080_3g_422_10_standards);
    withoutFlag(pairsSdr, &add1080_3g_extended_standards);
    withoutFlag(pairsSdr, &add720_3g_444_standards);
    withoutFlag(pairs422, &add1080_1g5_standards);
    withoutFlag(pairs720_1g5, &add720_1g5_standards);
}

void SupportedVideoStandards::add2160_12g_standards(C c, T t, StandardList& standards,
                                                    bool analyser) {
    add2160Family(&add2160_12g_RateSweep, tP, c, t, standards, analyser);
}

void SupportedVideoStandards::add2160_DualLink6g_standards(C c, T t, StandardList& standards,
                                                           bool analyser) {
    add2160Family(&add2160_DualLink6g_RateSweep, tP, c, t, standards, analyser);
}

void SupportedVideoStandards::add2160_6g_standards(C c, T t, StandardList& standards) {
    for (W width : {W::Pixels2048, W::Pixels1920}) {
        add2160_6g_RateSweep(pP, tP, sixGRates, S::YCbCr422, c, aspectFor(width), width, D::Bit10,
                             noCopyStatus, t, ycbcr, standards);
    }
}

void SupportedVideoStandards::add2160_QuadLinkLevelb3g_standards(C c, T t, StandardList& standards,
                                                                 bool analyser) {
    add2160Family(&add2160_QuadLinkLevelb3g_RateSweep, tI, c, t, standards, analyser);
}

void SupportedVideoStandards::add2160_QuadLink3g_standards(C c, T t, StandardList& standards,
                                                           bool analyser) {
    add2160Family(&add2160_QuadLink3g_RateSweep, tP, c, t, standards, analyser);
}

void SupportedVideoStandards::add2160_QuadLinkLevelb3gQuadrantMode_standards(
    C c, T t, StandardList& standards, bool analyser) {
    add1080Family(&add2160_QuadLinkLevelb3gQuadrantMode_RateSweep, groups2160, tI, c, t, standards,
                  analyser);
}

void SupportedVideoStandards::add2160_QuadLink3gQuadrantMode_standards(C c, T t,
                                                                       StandardList& standards,
                                                                       bool analyser) {
    add1080Family(&add2160_QuadLink3gQuadrantMode_RateSweep, groups2160, tP, c, t, standards,
                  analyser);
}

void SupportedVideoStandards::add1080_3gLevelb_422_10_standards(C c, T t, StandardList& standards,
                                                                bool analyser) {
    add1080Family(&add1080_Levelb3g_RateSweep, groups1080_3g, tI, c, t, standards, analyser);
}

void SupportedVideoStandards::add1080_3gLevelb_extended_standards(C c, T t,
                                                                  StandardList& standards) {
    addExtendedFamily(&add1080_Levelb3g_RateSweep, extendedLevelB, c, t, standards);
}

void SupportedVideoStandards::add1080_3g_422_10_standards(C c, T t, StandardList& standards,
                                                          bool analyser) {
    add1080Family(&add1080_3g_RateSweep, groups1080_3g, tP, c, t, standards, analyser);
}

void SupportedVideoStandards::add1080_3g_extended_standards(C c, T t, StandardList& standards) {
    addExtendedFamily(&add1080_3g_RateSweep, extendedLevelA, c, t, standards);
}

void SupportedVideoStandards::add720_3g_444_standards(C c, T t, StandardList& standards) {
    for (S sampling : rgbAndYcbcr444) {
        add720_3g_RateSweep({R::Rate60, R::Rate60_1001, R::Rate50, R::Rate30, R::Rate30_1001},
                            sampling, c, A::Ratio16x9, D::Bit10, t, ycbcr, standards);
    }
}

void SupportedVideoStandards::add1080_1g5_standards(C c, T t, StandardList& standards) {
    struct Group {
        PF picture;
        TF transport;
        W width;
        std::initializer_list<R> rates;
    };
    const Group groups[] = {
        {pP, tP, W::Pixels1920, sixGRates},
        {pP, tP, W::Pixels2048, sixGRates},
        {pP, tI, W::Pixels1920, sixGRates},
        {pP, tI, W::Pixels2048, sixGRates},
        {pI, tI, W::Pixels1920, {R::Rate25, R::Rate30_1001, R::Rate30}},
    };
    for (const Group& group : groups) {
        for (R rate : group.rates) {
            VideoStandardCreator::add1080_1g5(group.picture, group.transport, rate, S::YCbCr422, c,
                                              aspectFor(group.width), group.width, D::Bit10, t,
                                              ycbcr, standards);
        }
    }
}

void SupportedVideoStandards::add720_1g5_standards(C c, T t, StandardList& standards) {
    for (R rate : {R::Rate25, R::Rate30_1001, R::Rate30, R::Rate50, R::Rate60_1001, R::Rate60}) {
        VideoStandardCreator::add720_1g5(rate, S::YCbCr422, c, D::Bit10, t, ycbcr, standards);
    }
}

void SupportedVideoStandards::add720_3g_RateSweep(Rates rates, S s, C c, A a, D d, T t, L l,
                                                  StandardList& standards) {
    for (R rate : rates) {
        VideoStandardCreator::add720_3g(rate, s, c, a, d, t, l, standards);
    }
}

void SupportedVideoStandards::add1080_3g_RateSweep(PF p, TF tf, Rates rates, S s, C c, A a, W w,
                                                   D d, T t, L l, StandardList& standards) {
    sweep(&VideoStandardCreator::add1080_3g, p, tf, rates, s, c, a, w, d, t, l, standards);
}

void SupportedVideoStandards::add1080_Levelb3g_RateSweep(PF p, TF tf, Rates rates, S s, C c, A a,
                                                         W w, D d, T t, L l,
                                                         StandardList& standards) {
    sweep(&VideoStandardCreator::add1080_Levelb3g, p, tf, rates, s, c, a, w, d, t, l, standards);
}

void SupportedVideoStandards::add2160_12g_RateSweep(PF p, TF tf, Rates rates, S s, C c, A a, W w,
                                                    D d, Copy copy, T t, L l,
                                                    StandardList& standards) {
    sweep(&VideoStandardCreator::add2160_12g, p, tf, rates, s, c, a, w, d, copy, t, l, standards);
}

void SupportedVideoStandards::add2160_6g_RateSweep(PF p, TF tf, Rates rates, S s, C c, A a, W w,
                                                   D d, Copy copy, T t, L l,
                                                   StandardList& standards) {
    sweep(&VideoStandardCreator::add2160_6g, p, tf, rates, s, c, a, w, d, copy, t, l, standards);
}

void SupportedVideoStandards::add2160_DualLink6g_RateSweep(PF p, TF tf, Rates rates, S s, C c, A a,
                                                           W w, D d, Copy copy, T t, L l,
                                                           StandardList& standards) {
    sweep(&VideoStandardCreator::add2160_DualLink6g, p, tf, rates, s, c, a, w, d, copy, t, l,
          standards);
}

void SupportedVideoStandards::add2160_QuadLink3g_RateSweep(PF p, TF tf, Rates rates, S s, C c, A a,
                                                           W w, D d, Copy copy, T t, L l,
                                                           StandardList& standards) {
    sweep(&VideoStandardCreator::add2160_QuadLink3g, p, tf, rates, s, c, a, w, d, copy, t, l,
          standards);
}

void SupportedVideoStandards::add2160_QuadLinkLevelb3g_RateSweep(PF p, TF tf, Rates rates, S s, C c,
                                                                 A a, W w, D d, Copy copy, T t, L l,
                                                                 StandardList& standards) {
    sweep(&VideoStandardCreator::add2160_QuadLinkLevelb3g, p, tf, rates, s, c, a, w, d, copy, t, l,
          standards);
}

void SupportedVideoStandards::add2160_QuadLink3gQuadrantMode_RateSweep(PF p, TF tf, Rates rates,
                                                                       S s, C c, A a, W w, D d, T t,
                                                                       L l,
                                                                       StandardList& standards) {
    sweep(&VideoStandardCreator::add2160_QuadLink3gQuadrantMode, p, tf, rates, s, c, a, w, d, t, l,
          standards);
}

void SupportedVideoStandards::add2160_QuadLinkLevelb3gQuadrantMode_RateSweep(
    PF p, TF tf, Rates rates, S s, C c, A a, W w, D d, T t, L l, StandardList& standards) {
    sweep(&VideoStandardCreator::add2160_QuadLinkLevelb3gQuadrantMode, p, tf, rates, s, c, a, w, d,
          t, l, standards);
}

}  // namespace Corvane::Sdi
