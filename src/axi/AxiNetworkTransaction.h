#pragma once

#include <cstddef>
#include <deque>
#include <variant>

namespace Corvane {

// Transaction type codes, carried in word 0 of a packet.
enum AxiTransactionType : unsigned int {
    axiWriteType = 0,
    axiReadRequestType = 1,
    axiReadResponseType = 2,
    mezzanineVersionRequestType = 3,
    mezzanineVersionResponseType = 4,
};

// Base of the five transactions. Each is created and destroyed as its
// concrete class, so the destructor is protected rather than virtual.
class AxiNetworkTransaction {
public:
    unsigned int type;

    // Appends the payload words (everything after word 0). Each concrete
    // class also has eachWord(put), which hands the same words to `put` one
    // by one, for encoding without a list.
    virtual void toBytes(std::deque<unsigned int>& out) const = 0;

protected:
    explicit AxiNetworkTransaction(unsigned int typeCode) : type(typeCode) {}
    AxiNetworkTransaction(const AxiNetworkTransaction&) = default;
    AxiNetworkTransaction& operator=(const AxiNetworkTransaction&) = default;
    ~AxiNetworkTransaction() = default;
};

class AxiWriteNetworkTransaction : public AxiNetworkTransaction {
public:
    AxiWriteNetworkTransaction(unsigned int b = 0, unsigned int o = 0, unsigned int v = 0)
        : AxiNetworkTransaction(axiWriteType), base(b), offset(o), value(v) {}
    void toBytes(std::deque<unsigned int>& out) const override;
    template <typename Put>
    void eachWord(Put&& put) const {
        put(base);
        put(offset);
        put(value);
    }
    unsigned int base;
    unsigned int offset;
    unsigned int value;
};

class AxiReadRequestNetworkTransaction : public AxiNetworkTransaction {
public:
    AxiReadRequestNetworkTransaction(unsigned int b = 0, unsigned int o = 0)
        : AxiNetworkTransaction(axiReadRequestType), base(b), offset(o) {}
    void toBytes(std::deque<unsigned int>& out) const override;
    template <typename Put>
    void eachWord(Put&& put) const {
        put(base);
        put(offset);
    }
    unsigned int base;
    unsigned int offset;
};

class AxiReadResponseNetworkTransaction : public AxiNetworkTransaction {
public:
    AxiReadResponseNetworkTransaction(unsigned int b = 0, unsigned int o = 0, unsigned int v = 0)
        : AxiNetworkTransaction(axiReadResponseType), base(b), offset(o), value(v) {}
    void toBytes(std::deque<unsigned int>& out) const override;
    template <typename Put>
    void eachWord(Put&& put) const {
        put(base);
        put(offset);
        put(value);
    }
    unsigned int base;
    unsigned int offset;
    unsigned int value;
};

class MezzanineVersionRequestNetworkTransaction : public AxiNetworkTransaction {
public:
    MezzanineVersionRequestNetworkTransaction()
        : AxiNetworkTransaction(mezzanineVersionRequestType) {}
    void toBytes(std::deque<unsigned int>& out) const override;
    template <typename Put>
    void eachWord(Put&&) const {}
};

class MezzanineVersionResponseNetworkTransaction : public AxiNetworkTransaction {
public:
    explicit MezzanineVersionResponseNetworkTransaction(unsigned int v = 0)
        : AxiNetworkTransaction(mezzanineVersionResponseType), version(v) {}
    void toBytes(std::deque<unsigned int>& out) const override;
    template <typename Put>
    void eachWord(Put&& put) const {
        put(version);
    }
    unsigned int version;
};

// A packet of a known type that carries fewer words than the type needs.
// It is not an empty transaction: the connection stays in service.
struct AxiShortTransaction {
    unsigned int type;
    std::size_t words;
};

// The outcome of decoding one packet. std::monostate is the empty
// transaction (no words, or an unknown type code).
using AxiDecodedTransaction =
    std::variant<std::monostate, AxiShortTransaction, AxiWriteNetworkTransaction,
                 AxiReadRequestNetworkTransaction, AxiReadResponseNetworkTransaction,
                 MezzanineVersionRequestNetworkTransaction,
                 MezzanineVersionResponseNetworkTransaction>;

}  // namespace Corvane
