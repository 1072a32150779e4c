// One connection of the stand-in scanner driver.
#include "server.h"

#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "fdio.h"
#include "records/byteorder.h"
#include "recordfile.h"

namespace scanhost {

namespace {

void Pause(int ms) {
    if (ms <= 0)
        return;
    struct timespec left = {ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

Reply ErrorReply(const Device& device, std::int32_t error) {
    Reply reply;
    reply.send = true;
    reply.error = error;
    if (error == kErrDriverText) {
        const std::string& text = device.faults.driverMessage;
        reply.body.assign(text.begin(), text.end());
    }
    return reply;
}

// Takes the fault that applies to this store, if any.
std::int32_t TakeSetFault(Faults& faults) {
    if (faults.failSet != 0) {
        const std::int32_t error = faults.failSet;
        faults.failSet = 0;
        return error;
    }
    return faults.failSetAlways;
}

}  // namespace

Reply HandleRequest(Device& device, std::int32_t code, const std::vector<unsigned char>& body) {
    Reply reply;
    reply.send = true;
    switch (code) {
        case kCodeNoReply:
            reply.send = false;
            return reply;
        case kCodeGet:
            if (device.faults.failGet != 0) {
                const std::int32_t error = device.faults.failGet;
                device.faults.failGet = 0;
                return ErrorReply(device, error);
            }
            reply.body = device.record;
            return reply;
        case kCodeSet: {
            if (const std::int32_t error = TakeSetFault(device.faults)) {
                return ErrorReply(device, error);
            }
            if (body.size() != records::RecordSize(device.model)) {
                return ErrorReply(device, kErrBadSavedOptions);
            }
            if (!device.recordPath.empty()) {
                std::string why;
                bool renamed = false;
                if (!StoreRecordFile(device.recordPath, body.data(), body.size(), why, &renamed)) {
                    std::fprintf(stderr, "scanhost: %s\n", why.c_str());
                    // Once renamed, the file holds the new record; keep the
                    // device in step with it even though durability failed.
                    if (renamed)
                        device.record = body;
                    return ErrorReply(device, kErrDriver);
                }
            }
            device.record = body;
            return reply;
        }
        default:
            return ErrorReply(device, kErrIllegalCommand);
    }
}

ServeEnd ServeConnection(int fd, Device& device) {
    for (;;) {
        unsigned char header[8];
        const ssize_t got = ReadFull(fd, header, sizeof header);
        if (got < 0)
            return ServeEnd::Failed;
        if (got == 0)
            return ServeEnd::Closed;
        if (got < static_cast<ssize_t>(sizeof header))
            return ServeEnd::Truncated;
        const std::int32_t code = records::getI32BE(header);
        const std::int32_t length = records::getI32BE(header + 4);

        if (length < 0 || length > kMaxBody) {
            if (device.trace != nullptr) {
                std::fprintf(device.trace, "scanhost: code=%d len=%d refused\n", code, length);
                std::fflush(device.trace);
            }
            return ServeEnd::Refused;
        }

        std::vector<unsigned char> body(static_cast<std::size_t>(length));
        const ssize_t bodyGot = ReadFull(fd, body.data(), body.size());
        if (bodyGot < 0)
            return ServeEnd::Failed;
        if (bodyGot < length)
            return ServeEnd::Truncated;

        const Reply reply = HandleRequest(device, code, body);
        if (device.trace != nullptr) {
            std::fprintf(device.trace, "%s\n", TraceLine(device, code, body, reply).c_str());
            std::fflush(device.trace);
        }
        if (!reply.send)
            continue;

        Pause(device.faults.delayMs);
        std::vector<unsigned char> out(8 + reply.body.size());
        records::putI32BE(out.data(), static_cast<std::int32_t>(reply.body.size()));
        records::putI32BE(out.data() + 4, reply.error);
        if (!reply.body.empty())
            std::memcpy(out.data() + 8, reply.body.data(), reply.body.size());
        if (!WriteFull(fd, out.data(), out.size()))
            return ServeEnd::Failed;
    }
}

std::string TraceLine(const Device& device, std::int32_t code,
                      const std::vector<unsigned char>& body, const Reply& reply) {
    std::string line =
        "scanhost: code=" + std::to_string(code) + " len=" + std::to_string(body.size());
    if (reply.send) {
        line +=
            " error=" + std::to_string(reply.error) + " reply=" + std::to_string(reply.body.size());
    } else {
        line += " error=- reply=-";
    }
    const std::vector<unsigned char>& shown = body.empty() ? reply.body : body;
    line += " body=" + records::Hex(shown.data(), shown.size());
    for (const auto& field :
         records::DescribeRecord(device.model, device.record.data(), device.record.size())) {
        line += " " + field.first + "=" + field.second;
    }
    return line;
}

const char* ServeEndName(ServeEnd end) {
    switch (end) {
        case ServeEnd::Closed:
            return "closed";
        case ServeEnd::Truncated:
            return "truncated request";
        case ServeEnd::Refused:
            return "request whose body length was below 0 or above 65536";
        case ServeEnd::Failed:
            return "channel failure";
    }
    return "?";
}

}  // namespace scanhost
