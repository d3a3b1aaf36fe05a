// Arbitrary JSON to the message builder, as a reason list or a datacore
// client receives it: every message built must give its texts and come back
// equal, and of the same class, from its own serialised form.

#include "FuzzSupport.h"
#include "datacore/MessageBase.h"

#include <QJsonArray>

using namespace Corvane;

CORVANE_FUZZ_USAGE(
    "Builds messages from arbitrary JSON (an array, or one object) and\n"
    "rebuilds each from its serialised form.")

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QJsonDocument document;
    if (!Fuzz::parseJson(data, size, document)) {
        return 0;
    }
    const QJsonArray array = document.isArray() ? document.array() : QJsonArray{document.object()};
    for (const auto& message : MessageBase::buildMessages(array)) {
        message->getText();
        message->hasContent();
        const auto again = MessageBase::buildMessages(QJsonArray{message->serialiseMessage()});
        if (again.size() != 1 || *again.front() != *message ||
            again.front()->getClass() != message->getClass()) {
            Fuzz::fail("a message does not survive its own serialised form");
        }
    }
    return 0;
}
