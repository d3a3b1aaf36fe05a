/* The least a register server on this protocol has to do, as the yardstick
 * for corvane-axid: one blocking socket, read(2) what is there, answer every
 * complete packet in it with one write(2). Registers live in an anonymous
 * shared mapping of the window's size.
 *
 * With --qt-waits it reads the way QTcpSocket's blocking wait does: poll(2)
 * for input, ioctl(FIONREAD) for the amount, then read(2). That is the least
 * a server built on QTcpSocket::waitForReadyRead can do per batch, so its
 * rate against the plain one is the ceiling for corvane-axid.
 *
 * Usage: axi_reference PORT [--qt-waits] (PORT 0 = any free port). Prints
 * "port N" once it listens, then serves one client after another until it
 * is killed. */

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

enum { windowWords = 0x800000 / 4, bufferBytes = 64 * 1024 };

static uint32_t wordAt(const unsigned char* p) {
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

static unsigned char* putWord(unsigned char* p, uint32_t w) {
    for (int shift = 0; shift < 32; shift += 8) {
        *p++ = (unsigned char)(w >> shift);
    }
    return p;
}

static int writeAll(int fd, const unsigned char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n <= 0) {
            return 0;
        }
        data += n;
        size -= (size_t)n;
    }
    return 1;
}

/* Serves one connection until it closes or sends a packet that ends it
 * (count 0 or an unknown type), as the daemon does. */
static int qtWaits = 0;

static ssize_t readSome(int fd, unsigned char* into, size_t room) {
    if (qtWaits) {
        struct pollfd p = {fd, POLLIN, 0};
        int pending = 0;
        if (poll(&p, 1, 5000) < 0 || ioctl(fd, FIONREAD, &pending) != 0) {
            return -1;
        }
        if (pending > 0 && (size_t)pending < room) {
            room = (size_t)pending;
        }
    }
    return read(fd, into, room);
}

static void serve(int fd, volatile uint32_t* registers) {
    static unsigned char in[bufferBytes];
    /* Every answer is 17 bytes for a request of at least 9. */
    static unsigned char out[2 * bufferBytes];
    size_t have = 0;
    for (;;) {
        const ssize_t n = readSome(fd, in + have, sizeof in - have);
        if (n <= 0) {
            return;
        }
        have += (size_t)n;
        size_t at = 0;
        unsigned char* o = out;
        while (at < have) {
            const size_t words = in[at];
            const size_t length = 1 + 4 * words;
            if (have - at < length) {
                break;
            }
            const unsigned char* w = in + at + 1;
            const uint32_t type = words > 0 ? wordAt(w) : 5;
            if (type > 4) {
                writeAll(fd, out, (size_t)(o - out));
                return;
            }
            const uint32_t base = words > 1 ? wordAt(w + 4) : 0;
            const uint32_t index = (base << 16) | (words > 2 ? wordAt(w + 8) & 0xFFFF : 0);
            if (type == 0 && words >= 4 && base < 32) {
                registers[index] = wordAt(w + 12);
            } else if (type == 1 && words >= 3) {
                *o++ = 4;
                o = putWord(o, 2);
                o = putWord(o, base);
                o = putWord(o, wordAt(w + 8));
                o = putWord(o, base < 32 ? registers[index] : 0xFFFFFFFFu);
            } else if (type == 3) {
                *o++ = 2;
                o = putWord(o, 4);
                o = putWord(o, 0);
            }
            at += length;
        }
        if (o > out && !writeAll(fd, out, (size_t)(o - out))) {
            return;
        }
        memmove(in, in + at, have - at);
        have -= at;
    }
}

int main(int argc, char** argv) {
    qtWaits = argc == 3 && strcmp(argv[2], "--qt-waits") == 0;
    if (argc != 2 + qtWaits) {
        fprintf(stderr, "usage: axi_reference PORT [--qt-waits]\n");
        return 2;
    }
    volatile uint32_t* registers =
        mmap(NULL, windowWords * 4, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    struct sockaddr_in address;
    memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons((uint16_t)atoi(argv[1]));
    socklen_t length = sizeof address;
    if (registers == MAP_FAILED || listener < 0 ||
        setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        bind(listener, (struct sockaddr*)&address, sizeof address) != 0 ||
        listen(listener, 50) != 0 ||
        getsockname(listener, (struct sockaddr*)&address, &length) != 0) {
        perror("axi_reference");
        return 1;
    }
    printf("port %u\n", ntohs(address.sin_port));
    fflush(stdout);
    for (;;) {
        const int fd = accept(listener, NULL, NULL);
        if (fd >= 0) {
            serve(fd, registers);
            close(fd);
        }
    }
}
