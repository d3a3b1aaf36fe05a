// Feeds arbitrary bytes to the register map loader: it refuses or gives a
// map every register of which corvane-axi can address safely.

#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "regmap/RegisterMap.h"

CORVANE_FUZZ_USAGE("The IP-XACT register map loader (tools/regmap) on arbitrary input.")

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) {
        return 0;
    }
    using namespace Corvane::RegMap;
    try {
        const RegisterMap map = RegisterMap::parse(
            QByteArray(reinterpret_cast<const char*>(data), static_cast<int>(size)), "fuzz.xml");
        std::uint32_t next = 0;
        for (const Register& r : map.registers) {
            if (r.address % 4 != 0 || r.address > windowBytes - 4 || r.address < next) {
                __builtin_trap();
            }
            next = r.address + 4;
            std::uint32_t used = 0;
            for (const Field& f : r.fields) {
                if (f.bitWidth < 1 || f.bitOffset + f.bitWidth > 32 || (used & f.mask()) != 0) {
                    __builtin_trap();
                }
                used |= f.mask();
                for (const EnumValue& e : f.enums) {
                    if (f.bitWidth < 32 && (e.value >> f.bitWidth) != 0) {
                        __builtin_trap();
                    }
                }
            }
        }
    } catch (const MapError&) {
    }
    return 0;
}
