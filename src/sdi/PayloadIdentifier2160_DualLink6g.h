#pragma once

#include "sdi/PayloadIdentifier2160Interleaved.h"

namespace Corvane::Sdi {

extern template class PayloadIdentifier2160Interleaved<
    PayloadId::PayloadAndDigitalInterface::Payload2160_DualLink6g, 2, SdiDataRate::Rate6G>;

// 2160-line picture on two 6G links (ST 2081-11) in two-sample interleave.
class PayloadIdentifier2160_DualLink6g final
    : public PayloadIdentifier2160Interleaved<
          PayloadId::PayloadAndDigitalInterface::Payload2160_DualLink6g, 2, SdiDataRate::Rate6G> {
public:
    using PayloadIdentifier2160Interleaved::PayloadIdentifier2160Interleaved;
};

}  // namespace Corvane::Sdi
