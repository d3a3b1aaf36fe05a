#include <gtest/gtest.h>

#include "datacore/DatacoreBase.h"
#include "datacore/DatacoreBool.h"
#include "support/JsonText.h"

using namespace Corvane;

namespace {

using Cores = std::list<DatacoreBase*>;
using Reasons = std::list<DatacoreValidStatusMessage>;

// A node whose hooks record what the tree calls, in order, into a log that
// may be shared by a whole tree.
class ProbeNode : public DatacoreBase {
public:
    ProbeNode(QString name, DatacoreBase* parent, std::vector<std::string>* events = nullptr)
        : DatacoreBase("Probe", std::move(name), parent), events_(events) {}

    Reasons produced;                     // what validity recomputation yields
    bool keepsReasons = false;            // leave the list as handed in
    bool invalidWithBadChildren = false;  // add a reason while a child is invalid
    mutable int activityRegenerations = 0;

protected:
    void regenerateInvalidationStatusMessages(Reasons& reasons) const override {
        record("regenerate");
        if (keepsReasons) {
            return;
        }
        reasons = produced;
        if (invalidWithBadChildren && !areChildrenValid()) {
            reasons.emplace_back(MessageBase::error, DatacoreValidStatusMessage::notDesiredType);
        }
    }
    void regenerateInactivationStatusMessages(
        std::list<DatacoreActiveStatusMessage>& reasons) const override {
        ++activityRegenerations;
        if (!keepsReasons) {
            reasons.clear();
        }
    }
    void processData() override { record("process"); }
    void changedPrivateSignal() override { record("signal"); }

private:
    void record(const char* what) const {
        if (events_ != nullptr) {
            events_->push_back(getInstanceName().toStdString() + ":" + what);
        }
    }
    std::vector<std::string>* events_;
};

const Reasons oneReason{{MessageBase::error, DatacoreValidStatusMessage::notInt}};

QJsonObject appendAll(const DatacoreBase& node, bool dataOnly) {
    QJsonObject json;
    std::list<DatacoreJsonMessage> messages;
    EXPECT_TRUE(node.appendDataToJson("", json, dataOnly, true, messages));
    EXPECT_TRUE(messages.empty());
    return json;
}

TEST(DatacoreTree, PathsAndAddressing) {
    DatacoreBase top("top", nullptr);
    DatacoreBase a("a", &top, "x");
    DatacoreBase b("b", &a, "y");
    DatacoreBase impostor("a", &top, "other");
    EXPECT_EQ(top.getPath(), "top");
    EXPECT_EQ(b.getPath(), "top/a/b");
    ASSERT_EQ(top.getChildren(), std::deque<DatacoreBase*>{&a});  // first registration stays
    QString head = "keep";
    QString tail = "keep";
    EXPECT_FALSE(top.splitPathAroundFirstDelimiter("/a", head, tail));
    EXPECT_EQ(head + "|" + tail, "keep|keep");  // untouched on failure

    struct {
        const char* path;
        const char* writtenKey;  // null: the call fails
    } const addresses[] = {{"a", "a"},        {"a/", "a"},      {"a/b", "b"},  {"/a", nullptr},
                           {"a//b", nullptr}, {"a/c", nullptr}, {"z", nullptr}};
    for (const auto& c : addresses) {
        SCOPED_TRACE(c.path);
        QJsonObject json;
        std::list<DatacoreJsonMessage> messages;
        EXPECT_EQ(top.appendDataToJson(c.path, json, true, false, messages),
                  c.writtenKey != nullptr);
        EXPECT_EQ(json.keys(), c.writtenKey ? QStringList{c.writtenKey} : QStringList{});
        const QJsonObject update{{c.writtenKey ? c.writtenKey : "b", QJsonObject{{"data", "new"}}}};
        EXPECT_EQ(top.populateDataFromJson(c.path, update, true, messages),
                  c.writtenKey != nullptr);
        EXPECT_TRUE(messages.empty());
    }
    EXPECT_EQ(a.getData(), "new");
    EXPECT_EQ(b.getData(), "new");
}

TEST(DatacoreTree, JsonForms) {
    DatacoreBase fresh("n", nullptr);
    EXPECT_EQ(appendAll(fresh, false), Testing::jsonObject(R"({"n":{"class":"DatacoreBase",
                 "data":"","reasonsForBeingInactive":[],"reasonsForBeingInvalid":[]}})"));

    DatacoreBool child("c", &fresh, true);
    fresh.setDataArray({});
    EXPECT_EQ(appendAll(fresh, true),
              Testing::jsonObject(R"({"n":{"data":null,"c":{"data":"true"}}})"));
    fresh.setDataArray({"1", "2"});
    QJsonObject json;
    std::list<DatacoreJsonMessage> messages;
    fresh.appendDataToJson("", json, true, false, messages);  // not recursive: no child
    EXPECT_EQ(json, Testing::jsonObject(R"({"n":{"data":["1","2"]}})"));
}

TEST(DatacoreTree, AppendThenPopulateRestoresTree) {
    // Children named like element keys replace that key when written and
    // feed both element and child when read; the element gets the child's
    // object, which reads as an empty string.
    const auto build = [](std::vector<std::unique_ptr<DatacoreBase>>& nodes, bool filled) {
        nodes.push_back(std::make_unique<DatacoreBase>("Root", "root", nullptr));
        DatacoreBase* root = nodes.back().get();
        nodes.push_back(std::make_unique<DatacoreBase>("Kid", "kid", root));
        DatacoreBase* kid = nodes.back().get();
        nodes.push_back(std::make_unique<DatacoreBool>("data", kid, false));
        nodes.push_back(std::make_unique<DatacoreBase>("class", root));
        nodes.push_back(std::make_unique<DatacoreBase>("leaf", kid));
        if (filled) {
            kid->setDataArray({"a", "b", ""});
            static_cast<DatacoreBool*>(nodes[2].get())->setDataBool(true);
            nodes[3]->setData("c");
            nodes[4]->setDataArray({});
        }
        return root;
    };
    for (bool dataOnly : {false, true}) {
        SCOPED_TRACE(dataOnly);
        std::vector<std::unique_ptr<DatacoreBase>> source;
        std::vector<std::unique_ptr<DatacoreBase>> target;
        const QJsonObject written = appendAll(*build(source, true), dataOnly);
        DatacoreBase* copy = build(target, false);
        std::list<DatacoreJsonMessage> messages;
        ASSERT_TRUE(copy->populateDataFromJson("", written, dataOnly, messages));
        EXPECT_TRUE(messages.empty());
        EXPECT_EQ(appendAll(*copy, dataOnly), written);
        EXPECT_EQ(target[1]->getDataArray(), (std::deque<QString>{""}));  // shadowed by "data"
        EXPECT_EQ(target[2]->getData(), "true");
        EXPECT_EQ(target[3]->getData(), "c");
        EXPECT_TRUE(target[4]->getDataArray().empty());
    }
}

TEST(DatacoreTree, ChangedStatusTransitionsAndCollection) {
    DatacoreBase root("root", nullptr);
    DatacoreBase node("n", &root);
    std::list<DatacoreJsonMessage> messages;
    const auto populate = [&](const char* data) {
        node.populateDataFromJson("", QJsonObject{{"n", QJsonObject{{"data", data}}}}, true,
                                  messages);
    };

    for (const char* text : {R"({"n":{"data":"x"},"m":{}})", R"({"m":{"data":"x"}})", "{}"}) {
        EXPECT_FALSE(node.populateDataFromJson("", Testing::jsonObject(text), false, messages))
            << text;  // the object must name the node, and only it
    }
    EXPECT_TRUE(messages.empty());
    // Unknown keys, a value that is not an object and an equal value are no
    // change, and no error.
    for (const char* text : {R"({"n":{"extra":1}})", R"({"n":5})"}) {
        EXPECT_TRUE(node.populateDataFromJson("", Testing::jsonObject(text), false, messages));
    }
    populate("");
    EXPECT_EQ(node.getData(), "");
    EXPECT_EQ(node.getChangedStatus(), DatacoreBase::unchanged);
    EXPECT_TRUE(root.emptyCollectedChangedCores().empty());

    populate("1");
    populate("2");
    EXPECT_EQ(node.getChangedStatus(), DatacoreBase::changedFromJson);
    EXPECT_EQ(root.emptyCollectedChangedCores(), Cores{&node});  // once only
    EXPECT_TRUE(root.emptyCollectedChangedCores().empty());

    node.setData("2");  // equal: nothing happens
    EXPECT_EQ(node.getChangedStatus(), DatacoreBase::changedFromJson);
    node.setData("3");
    EXPECT_EQ(node.getChangedStatus(), DatacoreBase::changedDirectly);
    populate("4");  // JSON does not downgrade a direct change
    EXPECT_EQ(node.getChangedStatus(), DatacoreBase::changedDirectly);
    EXPECT_EQ(root.emptyCollectedChangedCores(), Cores{&node});

    root.resetAllChangedStatus();
    EXPECT_EQ(node.getChangedStatus(), DatacoreBase::unchanged);
    EXPECT_EQ(DatacoreBase("d", nullptr, "x").getChangedStatus(), DatacoreBase::changedDirectly);
}

TEST(DatacoreTree, ReasonsFromJsonSurviveOnlyWhenRecomputationKeepsThem) {
    const QJsonObject json{{"n", QJsonObject{{"reasonsForBeingInvalid",
                                              QJsonArray{oneReason.front().serialiseMessage()}}}}};
    std::list<DatacoreJsonMessage> messages;

    DatacoreBase plain("n", nullptr);
    ASSERT_TRUE(plain.populateDataFromJson("", json, false, messages));
    EXPECT_TRUE(plain.isValid());
    EXPECT_EQ(plain.getChangedStatus(), DatacoreBase::changedDirectly);

    std::vector<std::string> events;
    ProbeNode keeping("n", nullptr, &events);
    keeping.keepsReasons = true;
    ASSERT_TRUE(keeping.populateDataFromJson("", json, false, messages));
    Reasons reasons;
    EXPECT_FALSE(keeping.isValid(reasons));
    EXPECT_TRUE(reasons == oneReason);
    EXPECT_EQ(keeping.getChangedStatus(), DatacoreBase::changedFromJson);
    // invalid data is not processed
    EXPECT_EQ(events, (std::vector<std::string>{"n:regenerate", "n:signal"}));
}

TEST(DatacoreTree, PropagationRunsHooksBottomUp) {
    std::vector<std::string> events;
    ProbeNode root("root", nullptr, &events);
    ProbeNode mid("mid", &root, &events);
    DatacoreBool leaf("leaf", &mid, true);
    mid.invalidWithBadChildren = true;

    // The leaf turns invalid, so does mid on recomputation: mid's own change
    // is collected before the leaf it hands on.
    leaf.setData("maybe");
    EXPECT_EQ(events, (std::vector<std::string>{"mid:regenerate", "mid:signal", "root:regenerate",
                                                "root:process"}));
    EXPECT_EQ(root.emptyCollectedChangedCores(), (Cores{&mid, &leaf}));
    EXPECT_TRUE(mid.emptyCollectedChangedCores().empty());

    events.clear();
    root.notifyChanged();  // nothing collected: nothing recomputed
    EXPECT_TRUE(events.empty());
}

TEST(DatacoreTree, PopulationDefersRecomputationToItsEnd) {
    std::vector<std::string> events;
    ProbeNode root("root", nullptr, &events);
    ProbeNode a("a", &root, &events);
    ProbeNode b("b", &root, &events);
    std::list<DatacoreJsonMessage> messages;
    ASSERT_TRUE(root.populateDataFromJson(
        "",
        Testing::jsonObject(
            R"({"root":{"data":["r","s"],"class":"x","b":{"data":"2"},"a":{"data":"1"}}})"),
        true, messages));
    EXPECT_EQ(events, (std::vector<std::string>{"a:regenerate", "a:process", "a:signal",
                                                "b:regenerate", "b:process", "b:signal",
                                                "root:regenerate", "root:process", "root:signal"}));
    EXPECT_EQ(root.emptyCollectedChangedCores(), (Cores{&root, &a, &b}));
}

TEST(DatacoreTree, RevalidationAndDefaultState) {
    std::vector<std::string> events;
    ProbeNode root("root", nullptr, &events);
    ProbeNode a("a", &root, &events);
    ProbeNode b("b", &root, &events);

    root.revalidateAll();  // nothing changes: no propagation, activity untouched
    EXPECT_EQ(events,
              (std::vector<std::string>{"a:regenerate", "b:regenerate", "root:regenerate"}));
    EXPECT_EQ(root.activityRegenerations, 0);

    b.produced = oneReason;
    events.clear();
    root.revalidateAll();  // b's new reason propagates as a direct change
    EXPECT_FALSE(b.isValid());
    EXPECT_EQ(b.getChangedStatus(), DatacoreBase::changedDirectly);
    EXPECT_EQ(root.emptyCollectedChangedCores(), Cores{&b});
    EXPECT_FALSE(root.areChildrenValid());

    events.clear();
    root.applyDefaultStateToSystem();
    EXPECT_EQ(events, (std::vector<std::string>{"a:regenerate", "b:regenerate", "root:regenerate",
                                                "a:process", "root:process"}));
    for (const DatacoreBase* n : std::initializer_list<const DatacoreBase*>{&root, &a, &b}) {
        EXPECT_EQ(n->getChangedStatus(), DatacoreBase::unchanged);
    }
}

}  // namespace
