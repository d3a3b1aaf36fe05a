#include "sdi/PayloadIdentifier2160_12g.h"

#include "sdi/PayloadIdentifier2160InterleavedImpl.h"

namespace Corvane::Sdi {

template class PayloadIdentifier2160Interleaved<
    PayloadId::PayloadAndDigitalInterface::Payload2160_12g, 1, SdiDataRate::Rate12G>;

}  // namespace Corvane::Sdi
