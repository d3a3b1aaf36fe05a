#pragma once

// What the tests of the board services and of the tools that use them
// share: the image partition and its fixture, the HDMI transmitter's
// programming, waiting on the board, the sensors' fixture.

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "SimulatedBoard.h"
#include "support/ProgramRun.h"

namespace Corvane::Testing {

using Writes = std::vector<Sim::RegisterWrite>;

inline constexpr std::size_t partitionSize = 1024 * 1024;  // /dev/mtd9
inline constexpr std::size_t block = 64 * 1024;

inline std::string pattern(std::size_t size, unsigned int seed) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 131 + seed * 7 + (i >> 9)) % 251);
    }
    return bytes;
}

class Flash : public testing::Test {
protected:
    // Partition contents that an erase or a write must visibly change.
    void fill(const std::string& bytes) { Sim::writeFile(board.pathOf("/dev/mtd9"), bytes); }
    std::string partition() const { return Sim::readFile(board.pathOf("/dev/mtd9")); }
    std::string scratch(const std::string& name, const std::string& bytes) const {
        const std::string path = board.rootDir() + "/" + name;
        Sim::writeFile(path, bytes);
        return path;
    }

    Sim::SimulatedBoard board;
};

// The transmitter's configuration, as its data sheet wants it programmed.
inline const Writes configuration = {
    {0xD6, 0x90}, {0x98, 0x03}, {0x9A, 0xE0}, {0x9C, 0x30}, {0x9D, 0x61}, {0xA2, 0xA4},
    {0xA3, 0xA4}, {0xE0, 0xD0}, {0xF9, 0x00}, {0x01, 0x00}, {0x02, 0x18}, {0x03, 0x00},
    {0x0A, 0x03}, {0x0B, 0x20}, {0x0C, 0xBE}, {0x15, 0x20}, {0x16, 0x2E}, {0x17, 0x02},
    {0x18, 0x06}, {0x40, 0x80}, {0x4A, 0x90}, {0x4C, 0x04}, {0x4B, 0x80}, {0x41, 0x10},
    {0xBA, 0x60}, {0xAF, 0x06},
};

inline Writes operator+(Writes a, const Writes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Whether done() came true within 20 s (room for a slow machine).
inline bool waitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 4000; ++i) {
        if (done()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

class HealthSensors : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Testing::emulator().isEmpty()) {
            GTEST_SKIP() << Testing::sensorsUnderEmulation;
        }
    }
};

}  // namespace Corvane::Testing
