#pragma once

#include "sdi/PayloadIdentifier2160Interleaved.h"

namespace Corvane::Sdi {

extern template class PayloadIdentifier2160Interleaved<
    PayloadId::PayloadAndDigitalInterface::Payload2160_12g, 1, SdiDataRate::Rate12G>;

// 2160-line picture on one 12G link (ST 2082-10) in two-sample interleave.
class PayloadIdentifier2160_12g final
    : public PayloadIdentifier2160Interleaved<
          PayloadId::PayloadAndDigitalInterface::Payload2160_12g, 1, SdiDataRate::Rate12G> {
public:
    using PayloadIdentifier2160Interleaved::PayloadIdentifier2160Interleaved;
};

}  // namespace Corvane::Sdi
