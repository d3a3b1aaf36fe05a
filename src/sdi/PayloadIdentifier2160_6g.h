#pragma once

#include "sdi/PayloadIdentifier2160Interleaved.h"

namespace Corvane::Sdi {

extern template class PayloadIdentifier2160Interleaved<
    PayloadId::PayloadAndDigitalInterface::Payload2160_6g, 1, SdiDataRate::Rate6G>;

// 2160-line picture on one 6G link (ST 2081-10) in two-sample interleave.
class PayloadIdentifier2160_6g final
    : public PayloadIdentifier2160Interleaved<PayloadId::PayloadAndDigitalInterface::Payload2160_6g,
                                              1, SdiDataRate::Rate6G> {
public:
    using PayloadIdentifier2160Interleaved::PayloadIdentifier2160Interleaved;
};

}  // namespace Corvane::Sdi
