#include "datacore/DatacoreValidStatusMessage.h"

#include <array>

#include "datacore/MessageText.h"

namespace Corvane {

namespace {

constexpr std::array<const char*, 31> texts = {
    "",
    "",
    "Stored integer is Oversized.",
    "Stored integer is Undersized.",
    "Stored number is Oversized.",
    "Stored number is Undersized.",
    "Stored value could not be deserialised into the specified integral type.",
    "Stored value could not be deserialised into the specified floating point type.",
    "Stored value could not be deserialised into type int.",
    "Stored value could not be deserialised into valid enum value.",
    "Stored value could not be deserialised into type boolean.",
    "Stored value could not be deserialised into type VideoStandardUserDescription.",
    "Stored Value could not be deserialised into type FalseColourOverlayRangesSummaryStruct",
    "Stored Value could not be deserialised into type SfpData",
    "Stored Value could not be deserialised into type ActivePictureCrcValuesList",
    "Stored value could not be deserialised into desired type.",
    "Stored Array has too few items.",
    "Stored Array has too many items.",
    "Stored Array contains duplicate items.",
    "The picture extends beyond the viewable area.",
    "The payload identifier is required and is missing.",
    "The stored value is not supported.",
    "The current configuration is in an invalid state.",
    "Not enouch space in active line for pathological pairs.",
    "Stored value could not be deserialised into type VideoStandard.",
    "IpV4 Address is '0.0.0.0' which is considered invalid.",
    "Invalid Mac address.",
    "IpV4 address outside multicast range of 224.0.0.0 to 239.255.255.255.",
    "IPV4 address in reserved range of multicast address space (224.0.0.0 to 224.0.1.255).",
    "IPV4 address inside range of multicast address space (224.0.0.0 to 239.255.255.255).",
    "Inter packet distribution range is not valid for the current standard.",
};

}  // namespace

DatacoreValidStatusMessage::DatacoreValidStatusMessage(MessageType type, MessageContent content)
    : ClassKeyedMessage(content, type) {}

DatacoreValidStatusMessage::DatacoreValidStatusMessage(const QJsonObject& json)
    : ClassKeyedMessage(json) {}

QString DatacoreValidStatusMessage::getText() const {
    return messageText(texts, getIdentifier());
}

}  // namespace Corvane
