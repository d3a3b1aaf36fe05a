#pragma once

namespace Corvane {

// Register access by (base, offset): base selects a block of 65,536
// registers, offset (low 16 bits) the register within it.
class AxiInterface {
public:
    virtual ~AxiInterface() = default;
    virtual void axiWrite(unsigned int base, unsigned int offset, unsigned long value) {
        (void)base;
        (void)offset;
        (void)value;
    }
    virtual unsigned int axiRead(unsigned int base, unsigned int offset) {
        (void)base;
        (void)offset;
        return 0;
    }
};

}  // namespace Corvane
