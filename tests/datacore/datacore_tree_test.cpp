// Datacore trees: the nodes and their hooks, the elements a node is made of
// and the messages its reasons are.

#include <gtest/gtest.h>

#include "datacore/DatacoreActiveStatusMessage.h"
#include "datacore/DatacoreBase.h"
#include "datacore/DatacoreBool.h"
#include "datacore/DatacoreElements.h"
#include "datacore/DatacoreJsonMessage.h"
#include "datacore/DatacoreValidStatusMessage.h"
#include "support/JsonText.h"
#include "support/LogCapture.h"

using namespace Corvane;

namespace {

using Testing::jsonObject;
using V = DatacoreValidStatusMessage;
using Cores = std::list<DatacoreBase*>;
using Reasons = std::list<V>;
using Events = std::vector<std::string>;
using A = DatacoreActiveStatusMessage;
const auto error = MessageBase::error;

// Records which notifications an element sends to its owner.
struct RecordingOwner : DatacoreElementPrivateInterface {
    std::vector<char> calls;  // 'j' from JSON, 'd' direct
    void notifyElementChangedFromJson() override { calls.push_back('j'); }
    void notifyElementChangedFromDirect() override { calls.push_back('d'); }
};

TEST(DataElement, PopulateReplacesOnlyWhatDiffers) {
    const std::tuple<std::deque<QString>, const char*, std::deque<QString>, bool, bool> cases[] = {
        {{"a"}, R"({"data":"a"})", {"a"}, false, false},
        {{"a"}, R"({"data":["a"]})", {"a"}, false, false},
        {{"a"}, R"({"data":["A"]})", {"A"}, true, false},
        {{}, R"({"data":null})", {}, false, false},
        {{"a", "b"}, R"({"data":null})", {}, true, false},
        {{"a"}, R"({"data":12})", {""}, true, false},
        {{""}, R"({"data":12})", {""}, false, false},
        {{"a"}, R"({"data":["x", 3, null]})", {"x", "", ""}, true, false},
        {{"x", "y"}, R"({"data":["x", "y"]})", {"x", "y"}, false, false},
        {{}, R"({"data":"b"})", {"b"}, true, true},
        {{"a"}, R"({"data":[]})", {}, true, false},
    };
    for (const auto& [initial, json, expected, notifies, logsZeroSized] : cases) {
        SCOPED_TRACE(json);
        Testing::LogCapture log;
        RecordingOwner owner;
        DatacoreDataElement element(&owner);
        element.setData(std::deque<QString>(initial));
        owner.calls.clear();
        std::list<DatacoreJsonMessage> messages;
        EXPECT_TRUE(element.populateDataFromJson("", jsonObject(json), true, messages));
        EXPECT_EQ(element.getData(), expected);
        EXPECT_EQ(owner.calls, notifies ? std::vector<char>{'j'} : std::vector<char>{});
        EXPECT_EQ(log.contains("0 sized entry for data element"), logsZeroSized);
        EXPECT_TRUE(messages.empty());
    }
}

TEST(Elements, PathBelowAnElementAndMissingKeyAreReported) {
    RecordingOwner owner;
    DatacoreDataElement data(&owner);
    DatacoreValidStatusElement valid(&owner);
    DatacoreActiveStatusElement active(&owner);
    DatacoreClassnameElement classname("C", &owner);
    for (DatacoreJsonInterface* element :
         std::vector<DatacoreJsonInterface*>{&data, &valid, &active, &classname}) {
        std::list<DatacoreJsonMessage> messages;
        QJsonObject out;
        EXPECT_FALSE(element->appendDataToJson("x", out, false, false, messages));
        EXPECT_FALSE(element->populateDataFromJson("x", QJsonObject(), false, messages));
        EXPECT_FALSE(element->populateDataFromJson("", QJsonObject{{"other", 1}}, false, messages));
        ASSERT_EQ(messages.size(), 3u);
        EXPECT_EQ(messages.front().getIdentifier(), 5);
        EXPECT_EQ(messages.back().getIdentifier(), 6);
        for (const auto& m : messages) {
            EXPECT_EQ(m.getType(), error);
        }
        EXPECT_TRUE(out.isEmpty());
        if (element == &data) {
            continue;
        }
        // Data only: the status and class elements step aside without looking.
        messages.clear();
        EXPECT_TRUE(element->appendDataToJson("x", out, true, false, messages));
        EXPECT_TRUE(element->populateDataFromJson("x", QJsonObject(), true, messages));
        EXPECT_TRUE(out.isEmpty());
        EXPECT_TRUE(messages.empty());
    }
    EXPECT_TRUE(owner.calls.empty());

    // The class is written, never read back, and only a new name notifies.
    std::list<DatacoreJsonMessage> messages;
    EXPECT_TRUE(classname.populateDataFromJson("", {{"class", "Theirs"}}, false, messages));
    classname.setClassname("C");
    EXPECT_TRUE(owner.calls.empty());
    classname.setClassname("Other");
    EXPECT_EQ(owner.calls, std::vector<char>{'d'});
}

TEST(StatusElement, DirectChangeComparesPairByPair) {
    RecordingOwner owner;
    DatacoreValidStatusElement element(&owner);
    const V a(error, V::notInt), b(error, V::notBoolean), warning(MessageBase::warning, V::notInt);
    // Each differs from the one before but the second: the same, then in
    // order only, in one type only, in length.
    const std::list<V> sets[] = {{a, b}, {a, b}, {b, a}, {b, warning}, {warning}};
    std::vector<size_t> notified;  // after each set
    for (const auto& set : sets) {
        element.setValid(set);
        notified.push_back(owner.calls.size());
    }
    EXPECT_EQ(notified, (std::vector<size_t>{1, 1, 2, 3, 4}));
    EXPECT_EQ(owner.calls, (std::vector<char>{'d', 'd', 'd', 'd'}));
}

TEST(StatusElement, PopulateKeepsOnlyItsOwnClass) {
    RecordingOwner owner;
    DatacoreActiveStatusElement element(&owner);
    const A busy(error, A::commandExecutorBusy);
    const QJsonArray reasons = {V(error, V::notInt).serialiseMessage(), 7, busy.serialiseMessage()};
    std::list<DatacoreJsonMessage> messages;
    ASSERT_TRUE(
        element.populateDataFromJson("", {{"reasonsForBeingInactive", reasons}}, false, messages));
    std::list<A> kept;
    EXPECT_FALSE(element.isActive(kept));
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_TRUE(kept.front() == busy);
    EXPECT_EQ(owner.calls, std::vector<char>{'j'});

    // Same list again, and a value that is not an array: no change.
    for (const QJsonValue& again : {QJsonValue(reasons), QJsonValue("busy")}) {
        EXPECT_TRUE(element.populateDataFromJson("", {{"reasonsForBeingInactive", again}}, false,
                                                 messages));
    }
    EXPECT_EQ(owner.calls.size(), 1u);
    EXPECT_EQ(element.getReasonsForBeingInactiveAsJSONArray(), QJsonArray{busy.serialiseMessage()});
    EXPECT_TRUE(messages.empty());
}

TEST(DatacoreBool, ValidityFollowsStoredText) {
    const std::vector<std::tuple<std::deque<QString>, int, bool>> cases = {
        {{"true"}, -1, true},  // -1: valid
        {{"false"}, -1, false},
        {{"TRUE"}, V::notBoolean, false},
        {{}, V::arrayTooFewItems, false},
        {{"true", "true"}, V::arrayTooManyItems, true},
    };
    for (auto [data, reason, value] : cases) {
        DatacoreBool node("flag", nullptr, false);
        node.setDataArray(std::move(data));
        std::list<V> reasons;
        EXPECT_EQ(node.isValid(reasons), reason < 0);
        EXPECT_EQ(reasons.size(), reason < 0 ? 0u : 1u);
        for (const V& r : reasons) {
            EXPECT_EQ(r.getIdentifier(), reason);
            EXPECT_EQ(r.getType(), error);
        }
        EXPECT_EQ(node.getDataBool(), value);
    }
}

TEST(Messages, SerialisedFormRebuildsToEqualMessageOfSameClass) {
    const DatacoreJsonMessage json(error, 5);
    const V valid(error, V::arrayTooManyItems);
    const A active(MessageBase::warning, A::commandExecutorBusy);
    const std::vector<std::pair<const MessageBase*, const char*>> cases = {
        {&json, R"({"MessageBase":{"type":2,"identifier":5},"DatacoreJsonMessage":{}})"},
        {&valid, R"({"MessageBase":{"type":2,"identifier":17},"DatacoreValidStatusMessage":{}})"},
        {&active, R"({"MessageBase":{"type":1,"identifier":2},"DatacoreActiveStatusMessage":{}})"},
    };
    for (const auto& [message, expected] : cases) {
        SCOPED_TRACE(expected);
        const QJsonObject serialised = message->serialiseMessage();
        EXPECT_EQ(serialised, jsonObject(expected));
        const auto rebuilt = MessageBase::buildMessages(QJsonArray{serialised});
        ASSERT_EQ(rebuilt.size(), 1u);
        EXPECT_EQ(rebuilt.front()->getClass(), message->getClass());
        EXPECT_TRUE(*rebuilt.front() == *message);
        EXPECT_EQ(rebuilt.front()->getText(), message->getText());
    }
}

// Of several class keys the first in a fixed order wins, fields missing or
// malformed fall back; anything else is skipped with a log line.
TEST(Messages, FactoryPicksClassKeyInFixedOrderAndSkipsTheRest) {
    Testing::LogCapture log;
    const QJsonArray items = {
        3.5,
        QStringLiteral("text"),
        QJsonValue(),
        jsonObject(R"({"zeta":1,"alpha":2})"),
        jsonObject(R"({"MessageBase":{},"Other":{}})"),
        jsonObject(
            R"({"MessageBase":{},"DatacoreActiveStatusMessage":{},"DatacoreJsonMessage":{}})"),
        jsonObject(R"({"MessageBase":{},"DatacoreActiveStatusMessage":{},
                  "DatacoreValidStatusMessage":{}})"),
        jsonObject(R"({"MessageBase":{"type":2,"identifier":4},"DatacoreActiveStatusMessage":{}})"),
        jsonObject(R"({"MessageBase":7,"DatacoreValidStatusMessage":{}})"),
        jsonObject(R"({"MessageBase":{"identifier":9},"DatacoreValidStatusMessage":{}})"),
        jsonObject(R"({"MessageBase":{"type":"two","identifier":2.5},"DatacoreJsonMessage":{}})"),
        jsonObject(R"({"MessageBase":{"type":1e300,"identifier":true},"DatacoreJsonMessage":{}})"),
    };
    std::vector<std::tuple<std::string, int, int>> seen;
    for (const auto& m : MessageBase::buildMessages(items)) {
        seen.emplace_back(m->getClass().toStdString(), m->getType(), m->getIdentifier());
    }
    EXPECT_EQ(seen, (std::vector<std::tuple<std::string, int, int>>{
                        {"DatacoreJsonMessage", MessageBase::undefined, -1},
                        {"DatacoreValidStatusMessage", MessageBase::undefined, -1},
                        {"DatacoreActiveStatusMessage", error, 4},
                        {"DatacoreValidStatusMessage", MessageBase::undefined, -1},
                        {"DatacoreValidStatusMessage", MessageBase::undefined, 9},
                        {"DatacoreJsonMessage", 0, 0},
                        {"DatacoreJsonMessage", 0, 0}}));
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "Not a serialised object, of QJson type: 2",
                               "Not a serialised object, of QJson type: 3",
                               "Not a serialised object, of QJson type: 0",
                               "Not recognised as a serialised message: alphazeta",
                               "Unsupported message type: MessageBaseOther",
                           }));
    EXPECT_TRUE(MessageBase::buildMessages(QJsonArray()).empty());
}

// Without their class key only the JSON message's factory says so.
TEST(Messages, PerClassFactoryWithoutClassKey) {
    Testing::LogCapture log;
    const QJsonObject foreign = jsonObject(R"({"MessageBase":{"type":2,"identifier":3}})");
    const std::pair<std::shared_ptr<MessageBase>, int> built[] = {
        {V::buildMessage(foreign), 0},
        {A::buildMessage(foreign), 0},
        {DatacoreJsonMessage::buildMessage(foreign), -1}};
    for (const auto& [message, identifier] : built) {
        EXPECT_EQ(message->getType(), MessageBase::undefined) << message->getClass().toStdString();
        EXPECT_EQ(message->getIdentifier(), identifier) << message->getClass().toStdString();
    }
    ASSERT_FALSE(log.lines().empty());
    EXPECT_EQ(log.lines().front(), "Failed to construct a DatacoreJsonMessage from {");
    EXPECT_TRUE(log.contains("\"identifier\": 3"));
}

TEST(Messages, TextsAndContent) {
    EXPECT_EQ(DatacoreJsonMessage(error, 6).getText(),
              "MessageContentJsonDoesNotContainDatacoreElementKey");
    EXPECT_TRUE(A(error, A::childDatacoresInvalid).hasContent());
    // Codes with no text, inside the tables and beyond them.
    const DatacoreJsonMessage json7(error, 7), jsonNegative(error, -1);
    const V valid0(error, V::noReason), valid1(error, V::unexplained),
        valid31(error, V::MessageContent(31));
    const A active6(error, A::reserved), active1(error, A::unexplained);
    for (const MessageBase* m : std::initializer_list<const MessageBase*>{
             &json7, &jsonNegative, &valid0, &valid1, &valid31, &active6, &active1}) {
        EXPECT_FALSE(m->hasContent()) << m->getClass().toStdString() << m->getIdentifier();
    }
    // Equality looks at type and identifier, not at the class.
    EXPECT_TRUE(V(error, V::integerUndersized) == A(error, A::notCurrentlyNeeded));
    EXPECT_FALSE(V(MessageBase::warning, V::integerUndersized) == A(error, A::notCurrentlyNeeded));
}

// A node whose hooks record what the tree calls, in order, into a log that
// may be shared by a whole tree.
struct ProbeNode : DatacoreBase {
    ProbeNode(QString name, DatacoreBase* parent, Events* events)
        : DatacoreBase("Probe", std::move(name), parent), events(events) {}

    void regenerateInvalidationStatusMessages(Reasons& reasons) const override {
        record("regenerate");
        if (keepsReasons) {
            return;
        }
        reasons = produced;
        if (invalidWithBadChildren && !areChildrenValid()) {
            reasons.emplace_back(MessageBase::error, V::notDesiredType);
        }
    }
    void regenerateInactivationStatusMessages(std::list<A>& reasons) const override {
        ++activityRegenerations;
        if (!keepsReasons) {
            reasons.clear();
        }
    }
    void processData() override { record("process"); }
    void changedPrivateSignal() override { record("signal"); }
    void record(const char* what) const {
        events->push_back(getInstanceName().toStdString() + ":" + what);
    }

    Events* events;
    Reasons produced;                     // what validity recomputation yields
    bool keepsReasons = false;            // leave the list as handed in
    bool invalidWithBadChildren = false;  // add a reason while a child is invalid
    mutable int activityRegenerations = 0;
};

const Reasons oneReason{{MessageBase::error, V::notInt}};

QJsonObject appendAll(const DatacoreBase& node, bool dataOnly, bool recursive = true) {
    QJsonObject json;
    std::list<DatacoreJsonMessage> messages;
    EXPECT_TRUE(node.appendDataToJson("", json, dataOnly, recursive, messages));
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
    QString head = "keep", tail = "keep";
    EXPECT_FALSE(top.splitPathAroundFirstDelimiter("/a", head, tail));
    EXPECT_EQ(head + "|" + tail, "keep|keep");  // untouched on failure

    // A path, and the key it writes (null: the call fails).
    const std::pair<const char*, const char*> addresses[] = {
        {"a", "a"},        {"a/", "a"},      {"a/b", "b"},  {"/a", nullptr},
        {"a//b", nullptr}, {"a/c", nullptr}, {"z", nullptr}};
    for (const auto& [path, key] : addresses) {
        SCOPED_TRACE(path);
        QJsonObject json;
        std::list<DatacoreJsonMessage> messages;
        EXPECT_EQ(top.appendDataToJson(path, json, true, false, messages), key != nullptr);
        EXPECT_EQ(json.keys(), key ? QStringList{key} : QStringList{});
        const QJsonObject update{{key ? key : "b", QJsonObject{{"data", "new"}}}};
        EXPECT_EQ(top.populateDataFromJson(path, update, true, messages), key != nullptr);
        EXPECT_TRUE(messages.empty());
    }
    EXPECT_EQ(a.getData(), "new");
    EXPECT_EQ(b.getData(), "new");
}

TEST(DatacoreTree, JsonForms) {
    DatacoreBase fresh("n", nullptr);
    EXPECT_EQ(appendAll(fresh, false), jsonObject(R"({"n":{"class":"DatacoreBase",
                 "data":"","reasonsForBeingInactive":[],"reasonsForBeingInvalid":[]}})"));

    DatacoreBool child("c", &fresh, true);
    fresh.setDataArray({});
    EXPECT_EQ(appendAll(fresh, true), jsonObject(R"({"n":{"data":null,"c":{"data":"true"}}})"));
    fresh.setDataArray({"1", "2"});  // not recursive: no child
    EXPECT_EQ(appendAll(fresh, true, false), jsonObject(R"({"n":{"data":["1","2"]}})"));
}

// Children named like element keys replace that key when written and feed
// both element and child when read; the element gets the child's object,
// which reads as an empty string.
struct ShadowingTree {
    DatacoreBase root{"Root", "root", nullptr};
    DatacoreBase kid{"Kid", "kid", &root};
    DatacoreBool data{"data", &kid, false};
    DatacoreBase classname{"class", &root};
    DatacoreBase leaf{"leaf", &kid};
};

TEST(DatacoreTree, AppendThenPopulateRestoresTree) {
    for (bool dataOnly : {false, true}) {
        SCOPED_TRACE(dataOnly);
        ShadowingTree source, copy;
        source.kid.setDataArray({"a", "b", ""});
        source.data.setDataBool(true);
        source.classname.setData("c");
        source.leaf.setDataArray({});
        const QJsonObject written = appendAll(source.root, dataOnly);
        std::list<DatacoreJsonMessage> messages;
        ASSERT_TRUE(copy.root.populateDataFromJson("", written, dataOnly, messages));
        EXPECT_TRUE(messages.empty());
        EXPECT_EQ(appendAll(copy.root, dataOnly), written);
        EXPECT_EQ(copy.kid.getDataArray(), (std::deque<QString>{""}));  // shadowed by "data"
        EXPECT_EQ(copy.data.getData(), "true");
        EXPECT_EQ(copy.classname.getData(), "c");
        EXPECT_TRUE(copy.leaf.getDataArray().empty());
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

    // The object must name the node, and only it; unknown keys, a value that
    // is not an object and an equal value are no change, and no error.
    for (const auto& [text, named] :
         {std::pair(R"({"n":{"data":"x"},"m":{}})", false),
          std::pair(R"({"m":{"data":"x"}})", false), std::pair("{}", false),
          std::pair(R"({"n":{"extra":1}})", true), std::pair(R"({"n":5})", true)}) {
        EXPECT_EQ(node.populateDataFromJson("", jsonObject(text), false, messages), named) << text;
    }
    EXPECT_TRUE(messages.empty());
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

    Events events;
    ProbeNode keeping("n", nullptr, &events);
    keeping.keepsReasons = true;
    ASSERT_TRUE(keeping.populateDataFromJson("", json, false, messages));
    Reasons reasons;
    EXPECT_FALSE(keeping.isValid(reasons));
    EXPECT_TRUE(reasons == oneReason);
    EXPECT_EQ(keeping.getChangedStatus(), DatacoreBase::changedFromJson);
    // invalid data is not processed
    EXPECT_EQ(events, (Events{"n:regenerate", "n:signal"}));
}

TEST(DatacoreTree, PropagationRunsHooksBottomUp) {
    Events events;
    ProbeNode root("root", nullptr, &events);
    ProbeNode mid("mid", &root, &events);
    DatacoreBool leaf("leaf", &mid, true);
    mid.invalidWithBadChildren = true;

    // The leaf turns invalid, so does mid on recomputation: mid's own change
    // is collected before the leaf it hands on.
    leaf.setData("maybe");
    EXPECT_EQ(events, (Events{"mid:regenerate", "mid:signal", "root:regenerate", "root:process"}));
    EXPECT_EQ(root.emptyCollectedChangedCores(), (Cores{&mid, &leaf}));
    EXPECT_TRUE(mid.emptyCollectedChangedCores().empty());

    events.clear();
    root.notifyChanged();  // nothing collected: nothing recomputed
    EXPECT_TRUE(events.empty());
}

// root with the children a and b, all recording into one log.
struct ProbeTree : ::testing::Test {
    Events events;
    ProbeNode root{"root", nullptr, &events};
    ProbeNode a{"a", &root, &events};
    ProbeNode b{"b", &root, &events};
};

TEST_F(ProbeTree, PopulationDefersRecomputationToItsEnd) {
    std::list<DatacoreJsonMessage> messages;
    ASSERT_TRUE(root.populateDataFromJson(
        "",
        jsonObject(R"({"root":{"data":["r","s"],"class":"x","b":{"data":"2"},"a":{"data":"1"}}})"),
        true, messages));
    EXPECT_EQ(events, (Events{"a:regenerate", "a:process", "a:signal", "b:regenerate", "b:process",
                              "b:signal", "root:regenerate", "root:process", "root:signal"}));
    EXPECT_EQ(root.emptyCollectedChangedCores(), (Cores{&root, &a, &b}));
}

TEST_F(ProbeTree, RevalidationAndDefaultState) {
    root.revalidateAll();  // nothing changes: no propagation, activity untouched
    EXPECT_EQ(events, (Events{"a:regenerate", "b:regenerate", "root:regenerate"}));
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
    EXPECT_EQ(events, (Events{"a:regenerate", "b:regenerate", "root:regenerate", "a:process",
                              "root:process"}));
    for (const DatacoreBase* n : std::initializer_list<const DatacoreBase*>{&root, &a, &b}) {
        EXPECT_EQ(n->getChangedStatus(), DatacoreBase::unchanged);
    }
}

}  // namespace
