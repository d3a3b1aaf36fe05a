// Arbitrary JSON to DatacoreBase::populateDataFromJson on a small tree, at a
// path and in a mode chosen by the first byte. Whatever was taken in, the
// tree's own JSON must populate a fresh tree of the same shape and come out
// of it unchanged.

#include "FuzzSupport.h"
#include "datacore/DatacoreBase.h"

#include <QJsonObject>
#include <iterator>
#include <memory>

using namespace Corvane;

namespace {

// root/a/c and root/b: nested children, siblings and a leaf.
struct Tree {
    DatacoreBase root{QStringLiteral("Root"), QStringLiteral("root"), nullptr};
    DatacoreBase a{QStringLiteral("a"), &root};
    DatacoreBase b{QStringLiteral("Leaf"), QStringLiteral("b"), &root, QStringLiteral("x")};
    DatacoreBase c{QStringLiteral("c"), &a};

    QJsonObject json() const {
        QJsonObject out;
        std::list<DatacoreJsonMessage> messages;
        root.appendDataToJson(QString(), out, false, true, messages);
        return out;
    }
};

// Paths as a client sends them, good and bad.
const QString paths[] = {
    QString(),           QStringLiteral("a"),  QStringLiteral("a/c"), QStringLiteral("b"),
    QStringLiteral("x"), QStringLiteral("/a"), QStringLiteral("a/"),  QStringLiteral("a//c")};

}  // namespace

CORVANE_FUZZ_USAGE(
    "Populates a small datacore tree from arbitrary JSON (first byte: path\n"
    "and data-only flag) and checks that the tree's own JSON round-trips.")

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint8_t selector = 0;
    QJsonDocument document;
    if (!Fuzz::parseSelectorAndJson(data, size, selector, document)) {
        return 0;
    }
    const bool dataOnly = (selector & 1) != 0;
    const QString& path = paths[(selector >> 1) % std::size(paths)];

    Tree tree;
    std::list<DatacoreJsonMessage> messages;
    tree.root.populateDataFromJson(path, document.object(), dataOnly, messages);
    for (const DatacoreJsonMessage& message : messages) {
        message.getText();
    }
    const QJsonObject written = tree.json();

    Tree fresh;
    messages.clear();
    if (!fresh.root.populateDataFromJson(QString(), written, false, messages)) {
        Fuzz::fail("a tree's own JSON does not populate a tree of the same shape");
    }
    if (fresh.json() != written) {
        Fuzz::fail("a tree's own JSON changes on its way through a fresh tree");
    }
    return 0;
}
