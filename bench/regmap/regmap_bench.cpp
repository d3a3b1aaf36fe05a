// Loading a register map of 10,000 registers (three fields each, one with
// enumerated values) against QXmlStreamReader merely reading the same
// document: the cost of the model over the XML parse it cannot avoid.

#include <benchmark/benchmark.h>

#include <QXmlStreamReader>

#include "regmap/RegisterMap.h"
#include "support/BenchReport.h"

using namespace Corvane;

namespace {

constexpr int registerCount = 10000;

QByteArray bigMap() {
    QByteArray xml =
        "<?xml version=\"1.0\"?>\n<spirit:component "
        "xmlns:spirit=\"http://www.spiritconsortium.org/XMLSchema/SPIRIT/1685-2009\">"
        "<spirit:name>bench</spirit:name><spirit:memoryMaps><spirit:memoryMap>"
        "<spirit:name>m</spirit:name>\n";
    constexpr int perBlock = 1000;
    for (int b = 0; b < registerCount / perBlock; ++b) {
        xml += QStringLiteral(
                   "<spirit:addressBlock><spirit:name>blk%1</spirit:name>"
                   "<spirit:baseAddress>0x%2</spirit:baseAddress>"
                   "<spirit:range>0x10000</spirit:range><spirit:width>32</spirit:width>\n")
                   .arg(b)
                   .arg(b * 0x10000, 0, 16)
                   .toUtf8();
        for (int r = 0; r < perBlock; ++r) {
            xml +=
                QStringLiteral(
                    "<spirit:register><spirit:name>reg%1</spirit:name>"
                    "<spirit:description>Register %1 of the block.</spirit:description>"
                    "<spirit:addressOffset>0x%2</spirit:addressOffset><spirit:size>32</spirit:size>"
                    "<spirit:access>read-write</spirit:access>"
                    "<spirit:reset><spirit:value>0x0</spirit:value></spirit:reset>"
                    "<spirit:field><spirit:name>enable</spirit:name><spirit:bitOffset>0"
                    "</spirit:bitOffset><spirit:bitWidth>1</spirit:bitWidth></spirit:field>"
                    "<spirit:field><spirit:name>mode</spirit:name><spirit:bitOffset>4"
                    "</spirit:bitOffset><spirit:bitWidth>2</spirit:bitWidth>"
                    "<spirit:enumeratedValues><spirit:enumeratedValue><spirit:name>OFF"
                    "</spirit:name><spirit:value>0</spirit:value></spirit:enumeratedValue>"
                    "<spirit:enumeratedValue><spirit:name>ON</spirit:name><spirit:value>1"
                    "</spirit:value></spirit:enumeratedValue></spirit:enumeratedValues>"
                    "</spirit:field><spirit:field><spirit:name>count</spirit:name>"
                    "<spirit:bitOffset>16</spirit:bitOffset><spirit:bitWidth>16"
                    "</spirit:bitWidth></spirit:field></spirit:register>\n")
                    .arg(r)
                    .arg(r * 4, 0, 16)
                    .toUtf8();
        }
        xml += "</spirit:addressBlock>\n";
    }
    xml += "</spirit:memoryMap></spirit:memoryMaps></spirit:component>\n";
    return xml;
}

const QByteArray& map() {
    static const QByteArray xml = bigMap();
    return xml;
}

void BM_XmlReadOnly(benchmark::State& state) {
    for (auto _ : state) {
        QXmlStreamReader xml(map());
        int tokens = 0;
        while (!xml.atEnd()) {
            xml.readNext();
            ++tokens;
        }
        benchmark::DoNotOptimize(tokens);
    }
}
BENCHMARK(BM_XmlReadOnly)->Unit(benchmark::kMillisecond);

void BM_LoadMap10k(benchmark::State& state) {
    for (auto _ : state) {
        const RegMap::RegisterMap m = RegMap::RegisterMap::parse(map(), "bench.xml");
        if (m.registers.size() != registerCount) {
            state.SkipWithError("the map did not load whole");
            return;
        }
        benchmark::DoNotOptimize(m);
    }
}
BENCHMARK(BM_LoadMap10k)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return Bench::runWithRatios(
        argc, argv, {{"BM_LoadMap10k", "BM_XmlReadOnly", {Bench::Goal::secondsBelow, 0.1}}});
}
