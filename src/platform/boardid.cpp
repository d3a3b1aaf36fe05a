#include "platform/boardid.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const std::vector<unsigned int> boardLines[3] = {
    {127, 126, 125, 124, 123, 122, 121},
    {508, 507, 506, 505, 504},
    {502, 501, 500, 499, 498, 497, 496},
};

int cachedIdentity[3] = {-1, -1, -1};

}  // namespace

extern "C" {

int gpio_get_value(unsigned int gpio) {
    const std::string path = "/sys/class/gpio/gpio" + std::to_string(gpio) + "/value";
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        std::perror(path.c_str());
        return -1;
    }
    char text[10] = {};
    const ssize_t n = ::read(fd, text, 9);
    ::close(fd);
    if (n < 0) {
        std::perror(path.c_str());
        return -1;
    }
    return std::strtol(text, nullptr, 10) != 0 ? 1 : 0;
}

int read_board_id(int board) {
    if (board < 0 || board > 2) {
        return -1;
    }
    if (cachedIdentity[board] >= 0) {
        return cachedIdentity[board];
    }
    int identity = 0;
    for (unsigned int line : boardLines[board]) {
        const int value = gpio_get_value(line);
        if (value < 0) {
            cachedIdentity[board] = -1;
            return -1;
        }
        identity = identity * 2 + (value & 1);
    }
    cachedIdentity[board] = identity;
    return identity;
}

}  // extern "C"
