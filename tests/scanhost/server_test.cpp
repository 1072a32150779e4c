// scanhost's request handling and record files in-process: the cases that a
// running scanhost cannot be brought into from outside (a store that fails),
// and the serving loop over a real socket pair.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "recordfile.h"
#include "records/byteorder.h"
#include "records/models.h"
#include "server.h"

namespace {

namespace fs = std::filesystem;
using records::Model;
using scanhost::Device;
using scanhost::Reply;

class ServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char templ[] = "/tmp/scanhost-server.XXXXXX";
        ASSERT_NE(mkdtemp(templ), nullptr);
        dir_ = templ;
        device_.model = Model::Sharp;
        device_.recordPath = dir_ + "/sharp.rec";
        device_.record = records::DefaultRecord(Model::Sharp);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    std::string dir_;
    Device device_;
};

const std::vector<unsigned char> kSharp(20, 0x42);

TEST_F(ServerTest, FailedStoreAnswers214AndKeepsTheRecord) {
    // The record file's directory has gone: no temporary file can be made.
    device_.recordPath = dir_ + "/gone/sharp.rec";
    const Reply set = scanhost::HandleRequest(device_, scanhost::kCodeSet, kSharp);
    EXPECT_TRUE(set.send);
    EXPECT_EQ(set.error, scanhost::kErrDriver);
    EXPECT_TRUE(set.body.empty());
    const Reply get = scanhost::HandleRequest(device_, scanhost::kCodeGet, {});
    EXPECT_EQ(get.error, 0);
    EXPECT_EQ(get.body, records::DefaultRecord(Model::Sharp));
}

TEST_F(ServerTest, StoreReplacesTheFileKeepingItsMode) {
    std::string error;
    const std::vector<unsigned char> old = records::DefaultRecord(Model::Sharp);
    ASSERT_TRUE(scanhost::StoreRecordFile(device_.recordPath, old.data(), old.size(), error))
        << error;
    ASSERT_EQ(chmod(device_.recordPath.c_str(), 0640), 0);

    const Reply set = scanhost::HandleRequest(device_, scanhost::kCodeSet, kSharp);
    EXPECT_EQ(set.error, 0);
    std::vector<unsigned char> bytes;
    ASSERT_EQ(scanhost::LoadRecordFile(device_.recordPath, bytes, error), scanhost::LoadResult::Ok);
    EXPECT_EQ(bytes, kSharp);
    struct stat st;
    ASSERT_EQ(stat(device_.recordPath.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(ServerTest, LoadRefusesWhatCannotBeARecord) {
    std::vector<unsigned char> bytes;
    std::string error;
    EXPECT_EQ(scanhost::LoadRecordFile(dir_ + "/none", bytes, error),
              scanhost::LoadResult::Missing);
    EXPECT_EQ(scanhost::LoadRecordFile(dir_, bytes, error), scanhost::LoadResult::Failed);
    const std::vector<unsigned char> big(scanhost::kMaxRecordFile + 1);
    ASSERT_TRUE(scanhost::StoreRecordFile(dir_ + "/big", big.data(), big.size(), error));
    EXPECT_EQ(scanhost::LoadRecordFile(dir_ + "/big", bytes, error), scanhost::LoadResult::Failed);
    EXPECT_NE(error.find("too large"), std::string::npos) << error;
}

// Writes a request of the given code and body to fd.
void SendRequest(int fd, std::int32_t code, const std::vector<unsigned char>& body) {
    std::vector<unsigned char> out(8 + body.size());
    records::putI32BE(out.data(), code);
    records::putI32BE(out.data() + 4, static_cast<std::int32_t>(body.size()));
    std::copy(body.begin(), body.end(), out.begin() + 8);
    ASSERT_EQ(write(fd, out.data(), out.size()), static_cast<ssize_t>(out.size()));
}

std::vector<unsigned char> ReadAll(int fd) {
    std::vector<unsigned char> all;
    unsigned char buf[256];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0) all.insert(all.end(), buf, buf + n);
    return all;
}

// Requests written ahead, then the client's end shut for writing: the
// server answers them in order and ends as the request stream does.
TEST_F(ServerTest, ServesQueuedRequestsUntilTheStreamEnds) {
    device_.recordPath.clear();  // in memory only
    const struct {
        const char* name;
        std::vector<unsigned char> tail;  // raw bytes after the whole requests
        scanhost::ServeEnd end;
    } cases[] = {
        {"closed", {}, scanhost::ServeEnd::Closed},
        {"cut in the header", {0, 0, 0}, scanhost::ServeEnd::Truncated},
        {"cut in the body", {0, 0, 0, 201, 0, 0, 0, 20, 1, 2}, scanhost::ServeEnd::Truncated},
        {"refused", {0, 0, 0, 201, 0, 1, 0, 1, 9, 9, 9}, scanhost::ServeEnd::Refused},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        device_.record = records::DefaultRecord(Model::Sharp);
        int sv[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
        SendRequest(sv[1], scanhost::kCodeSet, kSharp);
        SendRequest(sv[1], scanhost::kCodeNoReply, {7});
        SendRequest(sv[1], scanhost::kCodeGet, {});
        ASSERT_EQ(write(sv[1], c.tail.data(), c.tail.size()), static_cast<ssize_t>(c.tail.size()));
        shutdown(sv[1], SHUT_WR);

        EXPECT_EQ(scanhost::ServeConnection(sv[0], device_), c.end);
        close(sv[0]);

        std::vector<unsigned char> expected = {0, 0, 0, 0,  0, 0, 0, 0,   // store: success
                                               0, 0, 0, 20, 0, 0, 0, 0};  // fetch: 20 bytes
        expected.insert(expected.end(), kSharp.begin(), kSharp.end());
        EXPECT_EQ(ReadAll(sv[1]), expected);
        close(sv[1]);
        EXPECT_EQ(device_.record, kSharp);
    }
}

}  // namespace
