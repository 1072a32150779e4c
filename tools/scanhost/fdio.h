// Whole writes on a descriptor, for the channel and for record files alike.
#ifndef SCANHOST_FDIO_H
#define SCANHOST_FDIO_H

#include <cstddef>

namespace scanhost {

// Writes all n bytes at p to fd, repeating short writes and writes cut by
// EINTR.  False when a write fails (errno tells why).
bool WriteFull(int fd, const unsigned char* p, std::size_t n);

}  // namespace scanhost

#endif
