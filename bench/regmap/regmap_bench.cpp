// Loading a register map of 10,000 registers, lean (/0) and rich (/1),
// against QXmlStreamReader merely reading the same
// document: the cost of the model over the XML parse it cannot avoid.

#include <benchmark/benchmark.h>

#include <QXmlStreamReader>

#include "regmap/RegisterMap.h"
#include "support/BenchReport.h"

using namespace Corvane;

namespace {

constexpr int registerCount = 10000;

// Rich: a description and three fields, one with enumerated values, per
// register; lean: one field and nothing else.
QByteArray bigMap(bool rich) {
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
            if (!rich) {
                xml += QStringLiteral(
                           "<spirit:register><spirit:name>reg%1</spirit:name>"
                           "<spirit:addressOffset>0x%2</spirit:addressOffset>"
                           "<spirit:size>32</spirit:size><spirit:field><spirit:name>"
                           "value</spirit:name><spirit:bitOffset>0</spirit:bitOffset>"
                           "<spirit:bitWidth>32</spirit:bitWidth></spirit:field>"
                           "</spirit:register>\n")
                           .arg(r)
                           .arg(r * 4, 0, 16)
                           .toUtf8();
                continue;
            }
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

const QByteArray& map(bool rich) {
    static const QByteArray richMap = bigMap(true);
    static const QByteArray leanMap = bigMap(false);
    return rich ? richMap : leanMap;
}

void BM_XmlReadOnly(benchmark::State& state) {
    for (auto _ : state) {
        QXmlStreamReader xml(map(state.range(0) != 0));
        int tokens = 0;
        while (!xml.atEnd()) {
            xml.readNext();
            ++tokens;
        }
        benchmark::DoNotOptimize(tokens);
    }
}
BENCHMARK(BM_XmlReadOnly)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_LoadMap10k(benchmark::State& state) {
    for (auto _ : state) {
        const RegMap::RegisterMap m =
            RegMap::RegisterMap::parse(map(state.range(0) != 0), "bench.xml");
        if (m.registers.size() != registerCount) {
            state.SkipWithError("the map did not load whole");
            return;
        }
        benchmark::DoNotOptimize(m);
    }
}
BENCHMARK(BM_LoadMap10k)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return Bench::runWithRatios(
        argc, argv,
        {{"BM_LoadMap10k/0", "BM_XmlReadOnly/0", {Bench::Goal::secondsBelow, 0.1}},
         {"BM_LoadMap10k/1", "BM_XmlReadOnly/1", {Bench::Goal::secondsBelow, 0.1}}});
}
