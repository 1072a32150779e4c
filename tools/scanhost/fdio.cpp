#include "fdio.h"

#include <unistd.h>

#include <cerrno>

namespace scanhost {

ssize_t ReadFull(int fd, unsigned char* p, std::size_t n) {
    std::size_t got = 0;
    while (got < n) {
        const ssize_t r = read(fd, p + got, n - got);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (r == 0)
            break;
        got += static_cast<std::size_t>(r);
    }
    return static_cast<ssize_t>(got);
}

bool WriteFull(int fd, const unsigned char* p, std::size_t n) {
    while (n > 0) {
        const ssize_t w = write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

}  // namespace scanhost
