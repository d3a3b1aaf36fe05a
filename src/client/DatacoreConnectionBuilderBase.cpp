#include "client/DatacoreConnectionBuilderBase.h"

#include "app/Logging.h"
#include "client/ClientDatacore.h"
#include "client/ClientDatacoreRegistry.h"
#include "client/DatacoreStatusWidget.h"

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
    for (ClientDatacore* datacore : utilisedDatacores_) {
        datacore->populateConnectedGuiElements();
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
