#include <gtest/gtest.h>

#include <QJsonDocument>

#include "datacore/DatacoreBool.h"
#include "datacore/DatacoreElements.h"
#include "support/LogCapture.h"

using namespace Corvane;

namespace {

// Records which notifications an element sends to its owner.
struct RecordingOwner : DatacoreElementPrivateInterface {
    std::vector<char> calls;  // 'j' from JSON, 'd' direct
    void notifyElementChangedFromJson() override { calls.push_back('j'); }
    void notifyElementChangedFromDirect() override { calls.push_back('d'); }
};

QJsonValue value(const char* text) {
    return QJsonDocument::fromJson(QByteArray("[") + text + "]").array().at(0);
}

TEST(DataElement, PopulateReplacesOnlyWhatDiffers) {
    struct Case {
        std::deque<QString> initial;
        const char* json;
        std::deque<QString> expected;
        bool notifies;
        bool logsZeroSized;
    };
    const std::vector<Case> cases = {
        {{"a"}, R"("a")", {"a"}, false, false},
        {{"a"}, R"(["a"])", {"a"}, false, false},
        {{"a"}, R"(["A"])", {"A"}, true, false},
        {{}, "null", {}, false, false},
        {{"a", "b"}, "null", {}, true, false},
        {{"a"}, "12", {""}, true, false},
        {{""}, "12", {""}, false, false},
        {{"a"}, R"(["x", 3, null])", {"x", "", ""}, true, false},
        {{"x", "y"}, R"(["x", "y"])", {"x", "y"}, false, false},
        {{}, R"("b")", {"b"}, true, true},
        {{"a"}, "[]", {}, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        Testing::LogCapture log;
        RecordingOwner owner;
        DatacoreDataElement element(&owner);
        std::deque<QString> initial = c.initial;
        element.setData(std::move(initial));
        owner.calls.clear();

        std::list<DatacoreJsonMessage> messages;
        QJsonObject json{{"data", value(c.json)}};
        EXPECT_TRUE(element.populateDataFromJson("", json, true, messages));
        EXPECT_EQ(element.getData(), c.expected);
        EXPECT_EQ(owner.calls, c.notifies ? std::vector<char>{'j'} : std::vector<char>{});
        EXPECT_EQ(log.contains("0 sized entry for data element"), c.logsZeroSized);
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
            EXPECT_EQ(m.getType(), MessageBase::error);
        }
        EXPECT_TRUE(out.isEmpty());
    }
    // Data only: the status and class elements step aside without looking.
    for (DatacoreJsonInterface* element :
         std::vector<DatacoreJsonInterface*>{&valid, &active, &classname}) {
        std::list<DatacoreJsonMessage> messages;
        QJsonObject out;
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
    using M = DatacoreValidStatusMessage;
    RecordingOwner owner;
    DatacoreValidStatusElement element(&owner);
    const M a(MessageBase::error, M::notInt);
    const M b(MessageBase::error, M::notBoolean);

    element.setValid({a, b});
    element.setValid({a, b});
    EXPECT_EQ(owner.calls.size(), 1u);
    element.setValid({b, a});  // same reasons, other order
    EXPECT_EQ(owner.calls.size(), 2u);
    element.setValid({M(MessageBase::warning, M::notInt), a});  // type differs
    EXPECT_EQ(owner.calls.size(), 3u);
    element.setValid({M(MessageBase::warning, M::notInt)});
    EXPECT_EQ(owner.calls, (std::vector<char>{'d', 'd', 'd', 'd'}));
    EXPECT_FALSE(element.isValid());
    element.setValid({});
    EXPECT_TRUE(element.isValid());
}

TEST(StatusElement, PopulateKeepsOnlyItsOwnClass) {
    RecordingOwner owner;
    DatacoreActiveStatusElement element(&owner);
    const DatacoreActiveStatusMessage busy(MessageBase::error,
                                           DatacoreActiveStatusMessage::commandExecutorBusy);
    const QJsonArray reasons = {
        DatacoreValidStatusMessage(MessageBase::error, DatacoreValidStatusMessage::notInt)
            .serialiseMessage(),
        7,
        busy.serialiseMessage(),
    };
    std::list<DatacoreJsonMessage> messages;
    ASSERT_TRUE(
        element.populateDataFromJson("", {{"reasonsForBeingInactive", reasons}}, false, messages));
    std::list<DatacoreActiveStatusMessage> kept;
    EXPECT_FALSE(element.isActive(kept));
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_TRUE(kept.front() == busy);
    EXPECT_EQ(owner.calls, std::vector<char>{'j'});

    // Same list again, and a value that is not an array: no change.
    EXPECT_TRUE(
        element.populateDataFromJson("", {{"reasonsForBeingInactive", reasons}}, false, messages));
    EXPECT_TRUE(
        element.populateDataFromJson("", {{"reasonsForBeingInactive", "busy"}}, false, messages));
    EXPECT_EQ(owner.calls.size(), 1u);
    EXPECT_EQ(element.getReasonsForBeingInactiveAsJSONArray(), QJsonArray{busy.serialiseMessage()});
    EXPECT_TRUE(messages.empty());
}

TEST(DatacoreBool, ValidityFollowsStoredText) {
    using V = DatacoreValidStatusMessage;
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
            EXPECT_EQ(r.getType(), MessageBase::error);
        }
        EXPECT_EQ(node.getDataBool(), value);
    }
}

}  // namespace
