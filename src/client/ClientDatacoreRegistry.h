#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>

namespace Corvane {

class ClientDatacore;
class ClientDatacoreMonitor;
class NetworkConnection;

// Creates, owns and finds the client datacores of one connection, keyed by
// their path on the server. Filled from the server's path list, emptied
// when the connection drops: every datacore is then destroyed, so holders of
// pointers must drop them on registryHasBeenCleared().
class ClientDatacoreRegistry : public QObject {
    Q_OBJECT
public:
    ClientDatacoreRegistry(NetworkConnection& connection, QObject* parent = nullptr);
    ~ClientDatacoreRegistry() override;

    bool isEmpty() const { return datacores_.empty(); }
    // Null when no datacore is registered under exactly `path`.
    ClientDatacore* lookupDatacoreFromPath(QString path) const;
    // Takes ownership and returns true when the path is free; otherwise
    // changes nothing, returns false and the caller keeps the datacore.
    bool registerDatacore(QString path, ClientDatacore* datacore);
    // Destroys every datacore, in path order, and emits
    // registryHasBeenCleared(); an empty registry emits nothing.
    void clearRegistry();
    // Creates one datacore per path and connects it to `monitor`; only an
    // empty registry is populated. Emits registryHasBeenPopulated() after
    // the last path, also for an empty list.
    void populateRegistry(const QStringList& paths, const ClientDatacoreMonitor& monitor);

signals:
    void lookupRequestResult(ClientDatacore* datacore);
    void registryHasBeenCleared();
    void registryHasBeenPopulated();

public slots:
    void onDisconnectedFromServer();
    void requestLookupDatacoreFromPath(QString path);

private:
    std::map<QString, std::unique_ptr<ClientDatacore>> datacores_;
};

}  // namespace Corvane
