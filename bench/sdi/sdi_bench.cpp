// Cost of building the catalogue of video standards and of decoding payload
// identifiers, each next to a plain baseline run in the same process; the
// ratios are printed at the end.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <set>
#include <vector>

#include "sdi/PayloadIdentifierFactory.h"
#include "sdi/SupportedVideoStandards.h"
#include "support/BenchReport.h"

using namespace Corvane;
using namespace Corvane::Sdi;

namespace {

// Every distinct identifier word of the analyser catalogue: all ten
// interfaces, every rate, sampling and colour combination the instrument knows.
const std::vector<std::uint32_t>& catalogueWords() {
    static const std::vector<std::uint32_t> words = [] {
        std::set<std::uint32_t> distinct;
        for (const auto* standard :
             SupportedVideoStandards::instance().getSupportedAnalyserStandards()) {
            for (std::uint32_t word : standard->getPayloadIdentifierWords()) {
                distinct.insert(word);
            }
        }
        return std::vector<std::uint32_t>(distinct.begin(), distinct.end());
    }();
    return words;
}

// The word lists of both catalogues, standard by standard.
std::vector<std::vector<std::uint32_t>> catalogueWordLists() {
    std::vector<std::vector<std::uint32_t>> lists;
    const auto& catalogue = SupportedVideoStandards::instance();
    for (const auto* list : {&catalogue.getSupportedAnalyserStandards(),
                             &catalogue.getSupportedGeneratorStandards()}) {
        for (const auto* standard : *list) {
            lists.push_back(standard->getPayloadIdentifierWords());
        }
    }
    return lists;
}

// Baseline for construction: allocating and filling the same word lists
// without any identifier or standard object.
void BM_CopyCatalogueWordLists(benchmark::State& state) {
    const auto source = catalogueWordLists();
    for (auto _ : state) {
        std::vector<std::vector<std::uint32_t>> copy;
        copy.reserve(source.size());
        for (const auto& words : source) {
            copy.emplace_back(words.begin(), words.end());
        }
        benchmark::DoNotOptimize(copy);
    }
}
BENCHMARK(BM_CopyCatalogueWordLists)->Unit(benchmark::kMicrosecond);

void BM_BuildCatalogue(benchmark::State& state) {
    for (auto _ : state) {
        SupportedVideoStandards catalogue;
        benchmark::DoNotOptimize(catalogue.getSupportedAnalyserStandards().data());
    }
}
BENCHMARK(BM_BuildCatalogue)->Unit(benchmark::kMillisecond);

// Baseline for decoding: the generic fields pulled out of each word with
// shifts and masks, as a hand-written decoder for one interface would.
void BM_ExtractFieldsWithMasks(benchmark::State& state) {
    const auto& words = catalogueWords();
    for (auto _ : state) {
        std::uint32_t sum = 0;
        for (std::uint32_t word : words) {
            sum += (word >> 24) + ((word >> 16) & 0xF) + ((word >> 22) & 1) + ((word >> 23) & 1) +
                   ((word >> 8) & 0xF) + (word & 3) + ((word >> 12) & 3) + ((word >> 20) & 3);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(words.size()));
}
BENCHMARK(BM_ExtractFieldsWithMasks);

// Identifier of the right class from byte 1, every field and the geometry.
void BM_DecodeIdentifier(benchmark::State& state) {
    const auto& words = catalogueWords();
    for (auto _ : state) {
        unsigned int sum = 0;
        for (std::uint32_t word : words) {
            const PayloadIdentifierPtr id = PayloadIdentifierFactory::create(word);
            sum += static_cast<unsigned int>(id->getSampleStructure()) +
                   static_cast<unsigned int>(id->getPictureRate()) +
                   static_cast<unsigned int>(id->getPictureInterlaced()) +
                   static_cast<unsigned int>(id->getTransportInterlaced()) +
                   static_cast<unsigned int>(id->getBitDepth()) +
                   static_cast<unsigned int>(id->getColourimetry()) +
                   static_cast<unsigned int>(id->getTransferCharacteristics()) +
                   id->getFieldActivePictureWidthInSamples() + id->getFieldHeights().front();
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(words.size()));
}
BENCHMARK(BM_DecodeIdentifier);

// The same plus the one-line text, as corvane-vpid prints it.
void BM_DecodeIdentifierToText(benchmark::State& state) {
    const auto& words = catalogueWords();
    for (auto _ : state) {
        for (std::uint32_t word : words) {
            const QString text = PayloadIdentifierFactory::create(word)->toHumanReadable(false);
            benchmark::DoNotOptimize(text.constData());
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(words.size()));
}
BENCHMARK(BM_DecodeIdentifierToText);

}  // namespace

int main(int argc, char** argv) {
    const auto& catalogue = SupportedVideoStandards::instance();
    std::printf("catalogue: %zu analyser + %zu generator standards, %zu distinct words\n",
                catalogue.getSupportedAnalyserStandards().size(),
                catalogue.getSupportedGeneratorStandards().size(), catalogueWords().size());
    using Bench::Goal;
    return Bench::runWithRatios(
        argc, argv,
        {{"BM_BuildCatalogue", "BM_CopyCatalogueWordLists", {Goal::secondsBelow, 0.020}},
         {"BM_DecodeIdentifier", "BM_ExtractFieldsWithMasks"},
         {"BM_DecodeIdentifierToText", "BM_ExtractFieldsWithMasks"}});
}
