#include <gtest/gtest.h>

#include "datacore/DatacoreActiveStatusMessage.h"
#include "datacore/DatacoreJsonMessage.h"
#include "datacore/DatacoreValidStatusMessage.h"
#include "support/JsonText.h"
#include "support/LogCapture.h"

using namespace Corvane;

namespace {

TEST(Messages, SerialisedFormRebuildsToEqualMessageOfSameClass) {
    const DatacoreJsonMessage json(MessageBase::error, 5);
    const DatacoreValidStatusMessage valid(MessageBase::error,
                                           DatacoreValidStatusMessage::arrayTooManyItems);
    const DatacoreActiveStatusMessage active(MessageBase::warning,
                                             DatacoreActiveStatusMessage::commandExecutorBusy);
    const std::vector<std::pair<const MessageBase*, const char*>> cases = {
        {&json, R"({"MessageBase":{"type":2,"identifier":5},"DatacoreJsonMessage":{}})"},
        {&valid, R"({"MessageBase":{"type":2,"identifier":17},"DatacoreValidStatusMessage":{}})"},
        {&active, R"({"MessageBase":{"type":1,"identifier":2},"DatacoreActiveStatusMessage":{}})"},
    };
    for (const auto& [message, expected] : cases) {
        SCOPED_TRACE(expected);
        const QJsonObject serialised = message->serialiseMessage();
        EXPECT_EQ(serialised, Testing::jsonObject(expected));

        const auto rebuilt = MessageBase::buildMessages(QJsonArray{serialised});
        ASSERT_EQ(rebuilt.size(), 1u);
        EXPECT_EQ(rebuilt.front()->getClass(), message->getClass());
        EXPECT_TRUE(*rebuilt.front() == *message);
        EXPECT_EQ(rebuilt.front()->getText(), message->getText());
    }
}

// Of several class keys the first in a fixed order wins; anything else is
// skipped with a log line.
TEST(Messages, FactoryPicksClassKeyInFixedOrderAndSkipsTheRest) {
    Testing::LogCapture log;
    const QJsonArray items = {
        3.5,
        QStringLiteral("text"),
        QJsonValue(),
        Testing::jsonObject(R"({"zeta":1,"alpha":2})"),
        Testing::jsonObject(R"({"MessageBase":{},"Other":{}})"),
        Testing::jsonObject(
            R"({"MessageBase":{},"DatacoreActiveStatusMessage":{},"DatacoreJsonMessage":{}})"),
        Testing::jsonObject(R"({"MessageBase":{},"DatacoreActiveStatusMessage":{},
                  "DatacoreValidStatusMessage":{}})"),
        Testing::jsonObject(
            R"({"MessageBase":{"type":2,"identifier":4},"DatacoreActiveStatusMessage":{}})"),
    };
    const auto built = MessageBase::buildMessages(items);
    std::vector<std::tuple<std::string, int, int>> seen;
    for (const auto& m : built) {
        seen.emplace_back(m->getClass().toStdString(), m->getType(), m->getIdentifier());
    }
    EXPECT_EQ(seen, (std::vector<std::tuple<std::string, int, int>>{
                        {"DatacoreJsonMessage", MessageBase::undefined, -1},
                        {"DatacoreValidStatusMessage", MessageBase::undefined, -1},
                        {"DatacoreActiveStatusMessage", MessageBase::error, 4}}));
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "Not a serialised object, of QJson type: 2",
                               "Not a serialised object, of QJson type: 3",
                               "Not a serialised object, of QJson type: 0",
                               "Not recognised as a serialised message: alphazeta",
                               "Unsupported message type: MessageBaseOther",
                           }));
    EXPECT_TRUE(MessageBase::buildMessages(QJsonArray()).empty());
}

TEST(Messages, JsonFieldsFallBackWhenMissingOrMalformed) {
    const std::vector<std::tuple<const char*, int, int>> cases = {
        {R"({})", 3, -1},
        {R"({"MessageBase":7})", 3, -1},
        {R"({"MessageBase":{"identifier":9}})", 3, 9},
        {R"({"MessageBase":{"type":"two","identifier":2.5}})", 0, 0},
        {R"({"MessageBase":{"type":1e300,"identifier":true}})", 0, 0},
    };
    for (const auto& [text, type, identifier] : cases) {
        const DatacoreValidStatusMessage message(Testing::jsonObject(text));
        EXPECT_EQ(message.getType(), type) << text;
        EXPECT_EQ(message.getIdentifier(), identifier) << text;
    }
}

TEST(Messages, PerClassFactoryWithoutClassKey) {
    Testing::LogCapture log;
    const QJsonObject foreign = Testing::jsonObject(R"({"MessageBase":{"type":2,"identifier":3}})");

    const auto valid = DatacoreValidStatusMessage::buildMessage(foreign);
    const auto active = DatacoreActiveStatusMessage::buildMessage(foreign);
    for (const MessageBase* m : {static_cast<const MessageBase*>(valid.get()),
                                 static_cast<const MessageBase*>(active.get())}) {
        EXPECT_EQ(m->getType(), MessageBase::undefined);
        EXPECT_EQ(m->getIdentifier(), 0);
    }
    EXPECT_TRUE(log.lines().empty());

    const auto json = DatacoreJsonMessage::buildMessage(foreign);
    EXPECT_EQ(json->getType(), MessageBase::undefined);
    EXPECT_EQ(json->getIdentifier(), -1);
    ASSERT_FALSE(log.lines().empty());
    EXPECT_EQ(log.lines().front(), "Failed to construct a DatacoreJsonMessage from {");
    EXPECT_TRUE(log.contains("\"identifier\": 3"));
}

TEST(Messages, TextsAndContent) {
    using V = DatacoreValidStatusMessage;
    using A = DatacoreActiveStatusMessage;
    const auto e = MessageBase::error;
    EXPECT_EQ(DatacoreJsonMessage(e, 6).getText(),
              "MessageContentJsonDoesNotContainDatacoreElementKey");
    EXPECT_TRUE(A(e, A::childDatacoresInvalid).hasContent());
    // Codes with no text, inside the tables and beyond them.
    const DatacoreJsonMessage json7(e, 7), jsonNegative(e, -1);
    const V valid0(e, V::noReason), valid1(e, V::unexplained), valid31(e, V::MessageContent(31));
    const A active6(e, A::reserved), active1(e, A::unexplained);
    for (const MessageBase* m : std::initializer_list<const MessageBase*>{
             &json7, &jsonNegative, &valid0, &valid1, &valid31, &active6, &active1}) {
        EXPECT_FALSE(m->hasContent()) << m->getClass().toStdString() << m->getIdentifier();
    }
    // Equality looks at type and identifier, not at the class.
    EXPECT_TRUE(V(e, V::integerUndersized) == A(e, A::notCurrentlyNeeded));
    EXPECT_FALSE(V(MessageBase::warning, V::integerUndersized) == A(e, A::notCurrentlyNeeded));
}

}  // namespace
