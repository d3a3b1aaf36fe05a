// Cost of the datacore tree's JSON form and change propagation, each next to
// a baseline run in the same process; the ratios are printed at the end.

#include <benchmark/benchmark.h>

#include <QJsonDocument>
#include <memory>
#include <vector>

#include "datacore/DatacoreBase.h"
#include "support/BenchReport.h"

using namespace Corvane;

namespace {

constexpr int treeNodes = 1000;
constexpr int fanOut = 10;
constexpr int chainLevels = 10;

// `treeNodes` nodes, filled breadth first with `fanOut` children per node.
struct Tree {
    std::vector<std::unique_ptr<DatacoreBase>> nodes;

    Tree() {
        nodes.push_back(std::make_unique<DatacoreBase>("Bench", "n0", nullptr));
        for (int i = 1; i < treeNodes; ++i) {
            DatacoreBase* parent = nodes[static_cast<size_t>((i - 1) / fanOut)].get();
            nodes.push_back(std::make_unique<DatacoreBase>("Bench", QStringLiteral("n%1").arg(i),
                                                           parent, QString::number(i)));
        }
    }
    DatacoreBase& root() { return *nodes.front(); }

    QJsonObject append() {
        QJsonObject json;
        std::list<DatacoreJsonMessage> messages;
        root().appendDataToJson(QString(), json, false, true, messages);
        return json;
    }
    // The same tree with every value changed, so a populate touches all nodes.
    QJsonObject appendWithValues(const QString& suffix) {
        for (auto& node : nodes) {
            node->setData(node->getInstanceName() + suffix);
        }
        QJsonObject json = append();
        root().emptyCollectedChangedCores();
        return json;
    }
};

// Baseline: the equivalent JSON object as compact text and back, as every
// datacore packet is sent and received anyway.
void BM_QJsonDocumentRoundTrip(benchmark::State& state) {
    Tree tree;
    const QJsonObject json = tree.append();
    for (auto _ : state) {
        const QByteArray text = QJsonDocument(json).toJson(QJsonDocument::Compact);
        QJsonDocument parsed = QJsonDocument::fromJson(text);
        benchmark::DoNotOptimize(parsed);
    }
}
BENCHMARK(BM_QJsonDocumentRoundTrip)->Unit(benchmark::kMicrosecond);

void BM_DatacoreAppendRecursive(benchmark::State& state) {
    Tree tree;
    for (auto _ : state) {
        QJsonObject json = tree.append();
        benchmark::DoNotOptimize(json);
    }
}
BENCHMARK(BM_DatacoreAppendRecursive)->Unit(benchmark::kMicrosecond);

// Every node's value changes on every populate, so each pass recomputes
// and collects the whole tree.
void BM_DatacorePopulateChanged(benchmark::State& state) {
    Tree tree;
    const QJsonObject first = tree.appendWithValues("a");
    const QJsonObject second = tree.appendWithValues("b");
    std::list<DatacoreJsonMessage> messages;
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        tree.root().populateDataFromJson(QString(), flip ? first : second, false, messages);
        auto collected = tree.root().emptyCollectedChangedCores();
        benchmark::DoNotOptimize(collected);
    }
}
BENCHMARK(BM_DatacorePopulateChanged)->Unit(benchmark::kMicrosecond);

void BM_DatacorePopulateUnchanged(benchmark::State& state) {
    Tree tree;
    const QJsonObject json = tree.append();
    std::list<DatacoreJsonMessage> messages;
    for (auto _ : state) {
        tree.root().populateDataFromJson(QString(), json, false, messages);
    }
}
BENCHMARK(BM_DatacorePopulateUnchanged)->Unit(benchmark::kMicrosecond);

// Baseline for propagation: the same change on a node without a parent.
void BM_SetDataDetachedNode(benchmark::State& state) {
    DatacoreBase node("Bench", "solo", nullptr);
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        node.setData(flip ? QStringLiteral("1") : QStringLiteral("0"));
        auto collected = node.emptyCollectedChangedCores();
        benchmark::DoNotOptimize(collected);
    }
}
BENCHMARK(BM_SetDataDetachedNode)->Unit(benchmark::kMicrosecond);

void BM_PropagateLeafToRoot10Levels(benchmark::State& state) {
    std::vector<std::unique_ptr<DatacoreBase>> chain;
    chain.push_back(std::make_unique<DatacoreBase>("Bench", "l0", nullptr));
    for (int i = 1; i < chainLevels; ++i) {
        chain.push_back(std::make_unique<DatacoreBase>("Bench", QStringLiteral("l%1").arg(i),
                                                       chain.back().get()));
    }
    DatacoreBase& leaf = *chain.back();
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        leaf.setData(flip ? QStringLiteral("1") : QStringLiteral("0"));
        auto collected = chain.front()->emptyCollectedChangedCores();
        if (collected.size() != 1) {
            state.SkipWithError("change did not reach the root");
            break;
        }
    }
}
BENCHMARK(BM_PropagateLeafToRoot10Levels)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    return Bench::runWithRatios(argc, argv,
                                {{"BM_DatacoreAppendRecursive", "BM_QJsonDocumentRoundTrip"},
                                 {"BM_DatacorePopulateChanged", "BM_QJsonDocumentRoundTrip"},
                                 {"BM_DatacorePopulateUnchanged", "BM_QJsonDocumentRoundTrip"},
                                 {"BM_PropagateLeafToRoot10Levels", "BM_SetDataDetachedNode"}});
}
