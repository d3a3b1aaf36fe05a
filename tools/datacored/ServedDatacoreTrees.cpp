#include "ServedDatacoreTrees.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <algorithm>
#include <utility>

#include "app/JsonText.h"
#include "packets/DatacorePathRadixTreePacket.h"

namespace Corvane {

namespace {

// A served node keeps the reasons it is given: they describe the
// instrument's state, which nothing in the server recomputes. (The base
// class would empty them after every change.)
class ServedDatacore : public DatacoreBase {
public:
    using DatacoreBase::DatacoreBase;

protected:
    void regenerateInvalidationStatusMessages(
        std::list<DatacoreValidStatusMessage>&) const override {}
    void regenerateInactivationStatusMessages(
        std::list<DatacoreActiveStatusMessage>&) const override {}
};

const QString defaultClassName = QStringLiteral("DatacoreBase");

bool isElementKey(const QString& key) {
    return key == QLatin1String(DatacoreDataElement::key) ||
           key == QLatin1String(DatacoreValidStatusElement::key) ||
           key == QLatin1String(DatacoreActiveStatusElement::key) ||
           key == QLatin1String(DatacoreClassnameElement::key);
}

bool isDataValue(const QJsonValue& value) {
    if (value.isNull() || value.isString()) {
        return true;
    }
    if (!value.isArray()) {
        return false;
    }
    const QJsonArray items = value.toArray();
    return std::all_of(items.begin(), items.end(),
                       [](const QJsonValue& item) { return item.isString(); });
}

QString childPath(const DatacoreBase* parent, const QString& name) {
    return parent == nullptr ? name : parent->getPath() + QLatin1Char('/') + name;
}

}  // namespace

// A client shows only what its path tree packet rebuilds.
static_assert(ServedDatacoreTrees::maxDepth <= DatacorePathRadixTreePacket::maxTreeDepth);

ServedDatacoreTrees::~ServedDatacoreTrees() = default;

std::unique_ptr<ServedDatacoreTrees> ServedDatacoreTrees::fromFile(const QString& path,
                                                                   QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read: %1").arg(file.errorString());
        return nullptr;
    }
    // Read one byte past the bound rather than trusting size(): a pipe or a
    // device has none.
    const QByteArray text = file.read(maxFileBytes + 1);
    if (text.size() > maxFileBytes) {
        error = QStringLiteral("larger than %1 MiB").arg(maxFileBytes / (1024 * 1024));
        return nullptr;
    }
    return fromJson(text, error);
}

std::unique_ptr<ServedDatacoreTrees> ServedDatacoreTrees::fromJson(const QByteArray& text,
                                                                   QString& error) {
    const JsonParseResult parsed = parseJson(text);
    if (!parsed.ok()) {
        error = QStringLiteral("not JSON: %1 at offset %2")
                    .arg(parsed.message)
                    .arg(parsed.error.offset);
        return nullptr;
    }
    const QJsonDocument& document = parsed.document;
    if (!document.isObject()) {
        error = QStringLiteral("not a JSON object");
        return nullptr;
    }
    const QJsonObject top = document.object();
    QStringList rootNames;
    for (int t = 0; t < treeCount; ++t) {
        rootNames << ServerCommon::rootDatacoreName(Tree(t));
    }
    for (auto key = top.begin(); key != top.end(); ++key) {
        if (!rootNames.contains(key.key())) {
            error = QStringLiteral("unknown top-level key '%1' (the roots are %2)")
                        .arg(key.key(), rootNames.join(QLatin1String(", ")));
            return nullptr;
        }
    }

    std::unique_ptr<ServedDatacoreTrees> trees(new ServedDatacoreTrees);
    std::vector<Built> built;
    for (int t = 0; t < treeCount; ++t) {
        const QString& name = rootNames[t];
        const QJsonValue value = top.value(name);
        if (!value.isObject()) {
            error = value.isUndefined() ? QStringLiteral("no %1 tree").arg(name)
                                        : QStringLiteral("%1 is not an object").arg(name);
            return nullptr;
        }
        if (!trees->build(value.toObject(), name, nullptr, Tree(t), 1, built, error)) {
            return nullptr;
        }
        DatacoreBase& root = *trees->roots_[t];
        std::list<DatacoreJsonMessage> messages;
        QJsonObject wrapped;
        wrapped.insert(name, value);
        if (!root.populateDataFromJson(QString(), wrapped, false, messages)) {
            QStringList texts;
            for (const DatacoreJsonMessage& m : messages) {
                texts << m.getText();
            }
            error = QStringLiteral("%1 could not be populated: %2")
                        .arg(name, texts.join(QLatin1String("; ")));
            return nullptr;
        }
        trees->index(root, Tree(t));
        trees->takeChanges(Tree(t));
        root.resetAllChangedStatus();
    }
    // Elements are checked against what the nodes made of them, so that a
    // reason the message factory dropped shows up as a mistake in the file.
    for (const auto& [node, object] : built) {
        if (!checkElements(object, *node, error)) {
            return nullptr;
        }
    }
    return trees;
}

bool ServedDatacoreTrees::build(const QJsonObject& object, const QString& name,
                                DatacoreBase* parent, Tree tree, int depth,
                                std::vector<Built>& built, QString& error) {
    const QString path = childPath(parent, name);
    if (depth > maxDepth) {
        error = QStringLiteral("%1: deeper than %2 levels").arg(path).arg(maxDepth);
        return false;
    }
    if (owned_.size() >= static_cast<size_t>(ServerCommon::maxDatacores)) {
        error = QStringLiteral("more than %1 datacores").arg(ServerCommon::maxDatacores);
        return false;
    }
    pathBytes_ += qint64(path.size()) * qint64(sizeof(QChar));
    if (pathBytes_ > ServerCommon::maxDatacorePathBytes) {
        // Not prefixed with the path, which may be most of those bytes.
        error = QStringLiteral("the datacore paths exceed %1 MiB")
                    .arg(ServerCommon::maxDatacorePathBytes / (1024 * 1024));
        return false;
    }
    const QJsonValue className = object.value(QLatin1String(DatacoreClassnameElement::key));
    if (!className.isUndefined() && !className.isString()) {
        error = QStringLiteral("%1: \"class\" is not a string").arg(path);
        return false;
    }
    owned_.push_back(
        std::make_unique<ServedDatacore>(className.toString(defaultClassName), name, parent));
    DatacoreBase* node = owned_.back().get();
    built.push_back({node, object});
    if (parent == nullptr) {
        roots_[tree] = node;
    }
    for (auto child = object.begin(); child != object.end(); ++child) {
        if (isElementKey(child.key())) {
            continue;
        }
        // An empty name or a "/" would make a path no client can resolve.
        if (child.key().isEmpty() || child.key().contains(QLatin1Char('/'))) {
            error = QStringLiteral("%1: '%2' is not a datacore name").arg(path, child.key());
            return false;
        }
        if (!child.value().isObject()) {
            error = QStringLiteral("%1: '%2' is neither an element key nor a datacore object")
                        .arg(path, child.key());
            return false;
        }
        if (!build(child.value().toObject(), child.key(), node, tree, depth + 1, built, error)) {
            return false;
        }
    }
    return true;
}

bool ServedDatacoreTrees::checkElements(const QJsonObject& object, const DatacoreBase& node,
                                        QString& error) {
    const auto dataValue = object.constFind(QLatin1String(DatacoreDataElement::key));
    if (dataValue != object.constEnd() && !isDataValue(*dataValue)) {
        error = QStringLiteral("%1: \"data\" is neither null, a string nor an array of strings")
                    .arg(node.getPath());
        return false;
    }
    std::list<DatacoreValidStatusMessage> invalid;
    std::list<DatacoreActiveStatusMessage> inactive;
    node.isValid(invalid);
    node.isActive(inactive);
    const std::pair<const char*, size_t> reasons[] = {
        {DatacoreValidStatusElement::key, invalid.size()},
        {DatacoreActiveStatusElement::key, inactive.size()},
    };
    for (const auto& [key, kept] : reasons) {
        const QJsonValue value = object.value(QLatin1String(key));
        if (value.isUndefined()) {
            continue;
        }
        if (!value.isArray() || static_cast<size_t>(value.toArray().size()) != kept) {
            error = QStringLiteral("%1: \"%2\" is not an array of its messages")
                        .arg(node.getPath(), QLatin1String(key));
            return false;
        }
    }
    return true;
}

void ServedDatacoreTrees::index(DatacoreBase& node, Tree tree) {
    order_.push_back(&node);
    byPath_.insert(node.getPath(), {&node, tree});
    for (DatacoreBase* child : node.getChildren()) {
        index(*child, tree);
    }
}

DatacoreBase* ServedDatacoreTrees::find(const QString& path, Tree& tree) const {
    const auto found = byPath_.constFind(path);
    if (found == byPath_.constEnd()) {
        return nullptr;
    }
    tree = found->tree;
    return found->node;
}

std::list<DatacoreBase*> ServedDatacoreTrees::takeChanges(Tree tree) {
    return roots_[tree]->emptyCollectedChangedCores();
}

QJsonObject ServedDatacoreTrees::stateOf(const DatacoreBase& node) {
    QJsonObject json;
    std::list<DatacoreJsonMessage> messages;
    node.appendDataToJson(QString(), json, false, false, messages);
    return json;
}

}  // namespace Corvane
