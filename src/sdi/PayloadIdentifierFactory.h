#pragma once

#include "sdi/PayloadIdentifierBase.h"

#include <cstdint>
#include <vector>

namespace Corvane::Sdi {

// One interface class, known by its byte 1 code, with what a report says
// about it and how to build its identifiers.
struct PayloadIdentifierInterface {
    PayloadId::PayloadAndDigitalInterface code;
    const char* className;
    const char* description;
    PayloadIdentifierPtr (*create)(std::uint32_t word);
};

// Chooses the interface class for a payload identifier word. Every interface
// class has one row in one table here; everything that picks a class by code
// asks this factory.
class PayloadIdentifierFactory {
public:
    // All interface classes, in ascending code order.
    static const std::vector<PayloadIdentifierInterface>& interfaces();

    // The class of byte 1 `code`; nullptr when no class handles it.
    static const PayloadIdentifierInterface* findInterface(std::uint8_t code);

    // word as the class its byte 1 names; empty when byte 1 is not a known
    // interface code.
    static PayloadIdentifierPtr create(std::uint32_t word);

    // word as the class of interface `code`, whatever its own byte 1 says;
    // empty when no class handles `code`.
    static PayloadIdentifierPtr create(std::uint32_t word, std::uint8_t code);

    // "PictureRate", "Channel", ...: the enumerator's own name; "Unknown" for
    // a value without one.
    static const char* fieldTypeName(PayloadIdentifierBase::FieldType type);
};

}  // namespace Corvane::Sdi
