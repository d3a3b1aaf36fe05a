// corvane-axid: serves FPGA register access and version requests on TCP
// port AxiTcpServer::defaultPort (9430). It takes no arguments and runs until it is killed.

#include <QCoreApplication>

#include "app/Logging.h"
#include "axi/AxiTcpServer.h"

int main(int argc, char** argv) {
    Corvane::initLogging(true, Corvane::defaultLogPath);
    // The event loop never runs: the server works with blocking waits. Qt's
    // plain Unix event dispatcher, not the GLib one: every answer queued on
    // the socket switches its write notifier on and off, which costs GLib two
    // wake-up writes to an eventfd per request and the plain one nothing.
    qputenv("QT_NO_GLIB", "1");
    QCoreApplication application(argc, argv);
    Corvane::AxiTcpServer server(Corvane::AxiTcpServer::defaultPort);
    for (;;) {
        server.go();
    }
}
