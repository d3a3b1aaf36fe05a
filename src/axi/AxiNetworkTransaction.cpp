#include "axi/AxiNetworkTransaction.h"

namespace Corvane {

void AxiWriteNetworkTransaction::toBytes(std::deque<unsigned int>& out) const {
    out.push_back(base);
    out.push_back(offset);
    out.push_back(value);
}

void AxiReadRequestNetworkTransaction::toBytes(std::deque<unsigned int>& out) const {
    out.push_back(base);
    out.push_back(offset);
}

void AxiReadResponseNetworkTransaction::toBytes(std::deque<unsigned int>& out) const {
    out.push_back(base);
    out.push_back(offset);
    out.push_back(value);
}

void MezzanineVersionRequestNetworkTransaction::toBytes(std::deque<unsigned int>&) const {}

void MezzanineVersionResponseNetworkTransaction::toBytes(std::deque<unsigned int>& out) const {
    out.push_back(version);
}

}  // namespace Corvane
