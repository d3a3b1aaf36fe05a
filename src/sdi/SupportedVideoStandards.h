#pragma once

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
    using C = PayloadId::Colourimetry;
    using T = PayloadId::TransferCurve;

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

    StandardList analyserStandards_;
    StandardList generatorStandards_;
    StandardPointers analyser_;
    StandardPointers generator_;
};

}  // namespace Corvane::Sdi
