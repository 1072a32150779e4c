// Whole reads and writes on a descriptor, for the channel and for record
// files alike.
#ifndef SCANHOST_FDIO_H
#define SCANHOST_FDIO_H

#include <sys/types.h>

#include <cstddef>

namespace scanhost {

// Reads until n bytes arrived at p, end of file or a failure, repeating short
// reads and reads cut by EINTR.  The number of bytes read (less than n only
// at end of file), or -1 when a read fails (errno tells why).
ssize_t ReadFull(int fd, unsigned char* p, std::size_t n);

// Writes all n bytes at p to fd, repeating short writes and writes cut by
// EINTR.  False when a write fails (errno tells why).
bool WriteFull(int fd, const unsigned char* p, std::size_t n);

}  // namespace scanhost

#endif
