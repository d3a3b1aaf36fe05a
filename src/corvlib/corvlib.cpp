#include "corvlib/corvlib.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace {

bool insideWindow(long index) {
    return index >= 0 && static_cast<unsigned long>(index) < CORV_FPGA_WINDOW_WORDS;
}

}  // namespace

extern "C" {

int corv_open_fpga(unsigned int** window) {
    const int fd = ::open(CORV_FPGA_DEVICE, O_RDWR | O_SYNC);
    if (fd < 0) {
        std::perror("CORVLIB: Error opening device file");
        return fd;
    }
    void* mapped =
        ::mmap(nullptr, CORV_FPGA_WINDOW_BYTES, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (mapped == MAP_FAILED) {
        std::perror("CORVLIB: failed to map memory");
        if (window != nullptr) {
            *window = nullptr;
        }
        // Nothing else will ever close a descriptor whose window failed to map.
        ::close(fd);
        return -1;
    }
    if (window == nullptr) {
        // Nobody could ever unmap a window the caller does not take.
        ::munmap(mapped, CORV_FPGA_WINDOW_BYTES);
        return fd;
    }
    *window = static_cast<unsigned int*>(mapped);
    return fd;
}

int corv_read_fpga_reg(unsigned int* window, long index, unsigned int* value) {
    if (window == nullptr || value == nullptr) {
        return -EINVAL;
    }
    // An index past the mapping would touch memory that is not the FPGA's.
    if (!insideWindow(index)) {
        return -ERANGE;
    }
    *value = static_cast<volatile unsigned int*>(window)[index];
    return 0;
}

int corv_write_fpga_reg(unsigned int* window, long index, unsigned int value) {
    if (window == nullptr) {
        return -EINVAL;
    }
    if (!insideWindow(index)) {
        return -ERANGE;
    }
    static_cast<volatile unsigned int*>(window)[index] = value;
    return 0;
}

void corv_close_fpga(int descriptor, unsigned int* window) {
    if (descriptor < 0) {
        return;
    }
    if (window != nullptr && ::munmap(window, CORV_FPGA_WINDOW_BYTES) != 0) {
        std::perror("CORVLIB: Couldn't unmap FPGA\n");
    }
    ::close(descriptor);
}

}  // extern "C"
