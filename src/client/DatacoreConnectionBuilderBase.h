#pragma once

#include "client/ServerCommon.h"

#include <QObject>
#include <QString>
#include <deque>

namespace Corvane {

class ClientDatacore;
class ClientDatacoreRegistry;
class DatacoreStatusWidget;

// Base of the application classes that wire client datacores to widgets.
// A concrete builder looks its datacores up by their path inside a server
// tree and connects them in connectDatacoresToGui(), which runs whenever the
// registry has been populated. When the registry is cleared (connection
// lost) the datacores are gone: the list of used ones is forgotten and
// connectionToDatacoresLost() tells the builder's owner.
class DatacoreConnectionBuilderBase : public QObject {
    Q_OBJECT
public:
    DatacoreConnectionBuilderBase(ClientDatacoreRegistry& registry, QObject* parent = nullptr);
    ~DatacoreConnectionBuilderBase() override;

    // The datacore at "<tree root>/<orphanedPath>", remembered as used (each
    // call adds one entry); null, with an error line, when there is none.
    virtual ClientDatacore* getDatacoreFromOrphanedPathAndRegisterUsage(
        const QString& orphanedPath, ServerCommon::DatacoreTree tree);
    // Refreshes every used datacore's connected widgets with current values,
    // in list order; datacores asked for while it runs are refreshed next time.
    virtual void requestUtilisedDatacoresPopulateConnectedGuiItems() const;

    // Direct connections of the datacore's sync and validity signals to the
    // widget; nothing when either is null.
    static void connectClientDatacoreToDatacoreStatusWidget(ClientDatacore* datacore,
                                                            DatacoreStatusWidget* widget);

signals:
    void connectionToDatacoresGained();
    void connectionToDatacoresLost();

protected:
    virtual void connectDatacoresToGui() = 0;

    ClientDatacoreRegistry& registry_;

private slots:
    void onRegistryCleared();
    void onRegistryPopulated();

private:
    std::deque<ClientDatacore*> utilisedDatacores_;
};

}  // namespace Corvane
