// An options program reduced to its channel, for the proofs of the channel:
// it installs the parent check for the hang-up and quit signals as the
// programs do, builds the handle for descriptor 6 and runs one script of
// exchanges, printing one line per exchange on standard output.
//
//   proof_client signals N   code 1 with N pattern bytes; a fetch of 40 bytes;
//                            a store of the fetched record reversed
//   proof_client stores FIRST
//                            stores StoreRecord(FIRST), FIRST + 1, ... until a
//                            store fails
//
// Lines: "pid P" first, then "NAME rc=R err=E before=B data=HEX" per exchange,
// where err is SCerrno after a failure (0 after success) and before is errno
// just before the call.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "proof_records.h"
#include "scan/parentcheck.h"
#include "scan/sc.h"

namespace {

// Held until the process ends, as the programs hold it.
SCOptHandle* handle = nullptr;

std::string Hex(const std::vector<unsigned char>& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 0x0F];
    }
    return out;
}

// One exchange, reported; the result of SCScanOpt.
int Exchange(const std::string& name, int code, const std::vector<unsigned char>& send,
             std::vector<unsigned char>& recv) {
    const int before = errno;
    const int rc =
        SCScanOpt(handle, code, send.empty() ? nullptr : send.data(), static_cast<int>(send.size()),
                  recv.empty() ? nullptr : recv.data(), static_cast<int>(recv.size()));
    std::printf("%s rc=%d err=%d before=%d data=%s\n", name.c_str(), rc, rc < 0 ? SCerrno : 0,
                before, Hex(recv).c_str());
    std::fflush(stdout);
    return rc;
}

int Signals(long count) {
    std::vector<unsigned char> none;
    Exchange("one", 1, proof::PatternBytes(static_cast<std::size_t>(count)), none);
    std::vector<unsigned char> record(proof::kRecordSize);
    Exchange("get", 200, {}, record);
    std::reverse(record.begin(), record.end());
    Exchange("set", 201, record, none);
    return 0;
}

int Stores(long first) {
    std::vector<unsigned char> none;
    for (long i = first;; ++i) {
        if (Exchange("set " + std::to_string(i), 201, proof::StoreRecord(i), none) != 0)
            return 0;
    }
}

}  // namespace

int main(int argc, char** argv) {
    InstallParentCheck(SIGHUP);
    InstallParentCheck(SIGQUIT);
    handle = SCGetScanOpt(&argc, argv);
    if (handle == nullptr || argc != 3)
        return 2;
    std::printf("pid %d\n", static_cast<int>(getpid()));
    std::fflush(stdout);
    const long n = std::strtol(argv[2], nullptr, 10);
    if (std::strcmp(argv[1], "signals") == 0)
        return Signals(n);
    if (std::strcmp(argv[1], "stores") == 0)
        return Stores(n);
    return 2;
}
