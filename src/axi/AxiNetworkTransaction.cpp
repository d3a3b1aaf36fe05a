#include "axi/AxiNetworkTransaction.h"

namespace Corvane {
namespace {

// Appends each word handed to it.
struct Append {
    std::deque<unsigned int>& out;
    void operator()(unsigned int word) const { out.push_back(word); }
};

}  // namespace

void AxiWriteNetworkTransaction::toBytes(std::deque<unsigned int>& out) const {
    eachWord(Append{out});
}

void AxiReadRequestNetworkTransaction::toBytes(std::deque<unsigned int>& out) const {
    eachWord(Append{out});
}

void AxiReadResponseNetworkTransaction::toBytes(std::deque<unsigned int>& out) const {
    eachWord(Append{out});
}

void MezzanineVersionRequestNetworkTransaction::toBytes(std::deque<unsigned int>&) const {}

void MezzanineVersionResponseNetworkTransaction::toBytes(std::deque<unsigned int>& out) const {
    eachWord(Append{out});
}

}  // namespace Corvane
