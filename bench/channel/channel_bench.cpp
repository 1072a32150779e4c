// One fetch of a 40-byte record through SCScanOpt beside a bare write/read
// pair of the same bytes on a socketpair: what the framing and the client
// cost on top of the channel itself.
#include <benchmark/benchmark.h>

#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "records/byteorder.h"
#include "scan/sc.h"

namespace {

constexpr int kRecordSize = 40;

bool readAll(int fd, unsigned char* p, size_t n) {
    while (n > 0) {
        ssize_t r = read(fd, p, n);
        if (r <= 0)
            return false;
        p += r;
        n -= static_cast<size_t>(r);
    }
    return true;
}

// A driver that answers every request header with a 40-byte record.
void serveFetches(int fd) {
    std::array<unsigned char, 8 + kRecordSize> reply{};
    records::putU32BE(reply.data(), kRecordSize);
    unsigned char header[8];
    while (readAll(fd, header, sizeof header)) {
        if (write(fd, reply.data(), reply.size()) != static_cast<ssize_t>(reply.size()))
            break;
    }
    close(fd);
}

// A peer that echoes 8 bytes with 48: the same traffic, no framing logic.
void serveBare(int fd) {
    std::array<unsigned char, 8 + kRecordSize> reply{};
    unsigned char header[8];
    while (readAll(fd, header, sizeof header)) {
        if (write(fd, reply.data(), reply.size()) != static_cast<ssize_t>(reply.size()))
            break;
    }
    close(fd);
}

void BM_SCScanOptFetch(benchmark::State& state) {
    int sv[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, sv) != 0)
        std::abort();
    std::thread peer(serveFetches, sv[1]);
    SCOptHandle handle{sv[0], sv[0]};
    std::array<unsigned char, kRecordSize> record{};
    for (auto _ : state) {
        if (SCScanOpt(&handle, SC_OPT_GET, nullptr, 0, record.data(), kRecordSize) != 0)
            std::abort();
        benchmark::DoNotOptimize(record);
    }
    close(sv[0]);
    peer.join();
}
BENCHMARK(BM_SCScanOptFetch)->Repetitions(7)->ReportAggregatesOnly(true);

void BM_BareWriteRead(benchmark::State& state) {
    int sv[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, sv) != 0)
        std::abort();
    std::thread peer(serveBare, sv[1]);
    unsigned char header[8] = {0, 0, 0, 200, 0, 0, 0, 0};
    std::array<unsigned char, 8 + kRecordSize> reply{};
    for (auto _ : state) {
        if (write(sv[0], header, sizeof header) != 8)
            std::abort();
        if (!readAll(sv[0], reply.data(), reply.size()))
            std::abort();
        benchmark::DoNotOptimize(reply);
    }
    close(sv[0]);
    peer.join();
}
BENCHMARK(BM_BareWriteRead)->Repetitions(7)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
