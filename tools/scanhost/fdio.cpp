#include "fdio.h"

#include <unistd.h>

#include <cerrno>

namespace scanhost {

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
