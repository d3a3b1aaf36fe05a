#include "client/DatacoreConnectionBuilderBase.h"

#include "app/Logging.h"
#include "client/ClientDatacore.h"
#include "client/ClientDatacoreRegistry.h"
#include "client/DatacoreStatusWidget.h"

#include <cstddef>

namespace Corvane {

DatacoreConnectionBuilderBase::DatacoreConnectionBuilderBase(ClientDatacoreRegistry& registry,
                                                             QObject* parent)
    : QObject(parent), registry_(registry) {
    connect(&registry_, &ClientDatacoreRegistry::registryHasBeenCleared, this,
            &DatacoreConnectionBuilderBase::onRegistryCleared);
    connect(&registry_, &ClientDatacoreRegistry::registryHasBeenPopulated, this,
            &DatacoreConnectionBuilderBase::onRegistryPopulated);
}

DatacoreConnectionBuilderBase::~DatacoreConnectionBuilderBase() = default;

ClientDatacore* DatacoreConnectionBuilderBase::getDatacoreFromOrphanedPathAndRegisterUsage(
    const QString& orphanedPath, ServerCommon::DatacoreTree tree) {
    const QString root = ServerCommon::rootDatacoreName(tree);
    if (root.isEmpty()) {
        logLine(LogLevel::critical, "Invalid server side datatree specified");
    }
    ClientDatacore* datacore =
        registry_.lookupDatacoreFromPath(root + QLatin1Char('/') + orphanedPath);
    if (datacore == nullptr) {
        logf(LogLevel::error, "Invalid path, constructed from {} and {}", root, orphanedPath);
        return nullptr;
    }
    utilisedDatacores_.push_back(datacore);
    return datacore;
}

void DatacoreConnectionBuilderBase::requestUtilisedDatacoresPopulateConnectedGuiItems() const {
    // By index, with the size checked again: a slot on a refreshed datacore
    // may ask for more datacores, which appends to the list and moves its
    // storage. Those wait for the next walk, or a slot that asks on every
    // refresh would never let this one end.
    const std::size_t count = utilisedDatacores_.size();
    for (std::size_t i = 0; i < count && i < utilisedDatacores_.size(); ++i) {
        utilisedDatacores_[i]->populateConnectedGuiElements();
    }
}

void DatacoreConnectionBuilderBase::connectClientDatacoreToDatacoreStatusWidget(
    ClientDatacore* datacore, DatacoreStatusWidget* widget) {
    if (datacore == nullptr || widget == nullptr) {
        return;
    }
    connect(datacore, &ClientDatacore::datacoreInSyncWithServer, widget,
            &DatacoreStatusWidget::onDatacoreGainsSyncWithServer, Qt::DirectConnection);
    connect(datacore, &ClientDatacore::datacoreOutOfSyncWithServer, widget,
            &DatacoreStatusWidget::onDatacoreLosesSyncWithServer, Qt::DirectConnection);
    connect(datacore, &ClientDatacore::datacoreDataIsInvalid, widget,
            &DatacoreStatusWidget::onDatacoreHasBecomeInvalid, Qt::DirectConnection);
    connect(datacore, &ClientDatacore::datacoreDataIsValid, widget,
            &DatacoreStatusWidget::onDatacoreHasBecomeValid, Qt::DirectConnection);
}

void DatacoreConnectionBuilderBase::onRegistryCleared() {
    // The datacores are being destroyed by the registry.
    utilisedDatacores_.clear();
    emit connectionToDatacoresLost();
}

void DatacoreConnectionBuilderBase::onRegistryPopulated() {
    connectDatacoresToGui();
    emit connectionToDatacoresGained();
}

}  // namespace Corvane
