#include "sdi/PayloadIdentifier2160_DualLink6g.h"

#include "sdi/PayloadIdentifier2160InterleavedImpl.h"

namespace Corvane::Sdi {

template class PayloadIdentifier2160Interleaved<
    PayloadId::PayloadAndDigitalInterface::Payload2160_DualLink6g, 2, SdiDataRate::Rate6G>;

}  // namespace Corvane::Sdi
