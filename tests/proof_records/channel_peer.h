// The driver's end of a real options channel, held by the test: a socket
// pair whose other end sits on descriptor 6, where the program looks for
// its channel.  Replies are written before the program asks, so it never
// waits; what the program sent is read back afterwards.
#ifndef PROOF_RECORDS_CHANNEL_PEER_H
#define PROOF_RECORDS_CHANNEL_PEER_H

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "records/byteorder.h"

namespace proof {

using Bytes = std::vector<unsigned char>;

class ChannelPeer {
  public:
    ChannelPeer() {
        int sv[2];
        if (socketpair(AF_UNIX, SOCK_STREAM, 0, sv) != 0) {
            ADD_FAILURE() << "socketpair";
            return;
        }
        // Our end above 6, so putting the program's end on 6 cannot close it.
        peer_ = fcntl(sv[1], F_DUPFD, 10);
        close(sv[1]);
        if (sv[0] != 6) {
            dup2(sv[0], 6);
            close(sv[0]);
        }
        fcntl(peer_, F_SETFL, O_NONBLOCK);
    }
    ~ChannelPeer() {
        close(peer_);
        close(6);
    }
    ChannelPeer(const ChannelPeer&) = delete;
    ChannelPeer& operator=(const ChannelPeer&) = delete;

    // Queues a reply: its data length, its error number, its data.
    void Reply(const Bytes& data, int error = 0) {
        Bytes out(8);
        records::putI32BE(out.data(), static_cast<int>(data.size()));
        records::putI32BE(out.data() + 4, error);
        out.insert(out.end(), data.begin(), data.end());
        ASSERT_EQ(write(peer_, out.data(), out.size()), static_cast<ssize_t>(out.size()));
    }

    // Everything the program has sent since the last call.
    Bytes Sent() {
        Bytes out;
        unsigned char buf[512];
        ssize_t n;
        while ((n = read(peer_, buf, sizeof buf)) > 0) out.insert(out.end(), buf, buf + n);
        return out;
    }

    // The request that a store of record should look like on the wire.
    static Bytes StoreRequest(const Bytes& record) {
        Bytes out(8);
        records::putI32BE(out.data(), 201);
        records::putI32BE(out.data() + 4, static_cast<int>(record.size()));
        out.insert(out.end(), record.begin(), record.end());
        return out;
    }

  private:
    int peer_ = -1;
};

// Bytes as hex, for readable failures.
inline std::string Hex(const Bytes& b) {
    static const char kDigits[] = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < b.size(); ++i) {
        if (i > 0 && i % 4 == 0)
            s += ' ';
        s += kDigits[b[i] >> 4];
        s += kDigits[b[i] & 15];
    }
    return s;
}

}  // namespace proof

#endif
