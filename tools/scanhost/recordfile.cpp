// Record files: whole reads, and durable replacement through a temporary
// file in the same directory (same file system, so the rename is atomic).
#include "recordfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "fdio.h"

namespace scanhost {

namespace {

std::string Reason(const std::string& what, const std::string& path, int err) {
    return what + " " + path + ": " + std::strerror(err);
}

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// The file a store replaces: the path with every symbolic link resolved
// when it exists, so the rename writes through a link to the linked file
// instead of putting a plain file in the link's place.  A path that does not
// exist yet is used as it is.
std::string StoreTarget(const std::string& path) {
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) != nullptr)
        return resolved;
    return path;
}

// Closes a descriptor on every way out of a scope.
class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0)
            close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    // Closes now and reports the result: a failed close can mean lost data.
    int release() {
        const int rc = close(fd_);
        fd_ = -1;
        return rc;
    }

  private:
    int fd_;
};

}  // namespace

LoadResult LoadRecordFile(const std::string& path, std::vector<unsigned char>& bytes,
                          std::string& error) {
    Fd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
        if (errno == ENOENT)
            return LoadResult::Missing;
        error = Reason("cannot open", path, errno);
        return LoadResult::Failed;
    }
    struct stat st;
    if (fstat(fd.get(), &st) != 0) {
        error = Reason("cannot examine", path, errno);
        return LoadResult::Failed;
    }
    if (!S_ISREG(st.st_mode)) {
        error = path + " is not a regular file";
        return LoadResult::Failed;
    }
    // Read at most one byte past the bound, whatever the size said: the file
    // may grow while we read it.
    std::vector<unsigned char> buf(kMaxRecordFile + 1);
    const ssize_t r = ReadFull(fd.get(), buf.data(), buf.size());
    if (r < 0) {
        error = Reason("cannot read", path, errno);
        return LoadResult::Failed;
    }
    const std::size_t got = static_cast<std::size_t>(r);
    if (got > kMaxRecordFile) {
        error = path + " is too large to be an option record";
        return LoadResult::Failed;
    }
    buf.resize(got);
    bytes = std::move(buf);
    return LoadResult::Ok;
}

bool StoreRecordFile(const std::string& path, const unsigned char* data, std::size_t n,
                     std::string& error, bool* renamed) {
    if (renamed != nullptr)
        *renamed = false;
    const std::string target = StoreTarget(path);
    const std::string dir = DirectoryOf(target);

    mode_t mode;
    struct stat st;
    if (stat(target.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }

    std::string temp = target + ".tmpXXXXXX";
    Fd fd(mkostemp(&temp[0], O_CLOEXEC));
    if (fd.get() < 0) {
        error = Reason("cannot create a temporary file for", path, errno);
        return false;
    }
    const auto fail = [&](const char* what, int err) {
        unlink(temp.c_str());
        error = Reason(what, temp, err);
        return false;
    };
    if (fchmod(fd.get(), mode) != 0)
        return fail("cannot set the mode of", errno);
    if (!WriteFull(fd.get(), data, n))
        return fail("cannot write", errno);
    if (fsync(fd.get()) != 0)
        return fail("cannot sync", errno);
    if (fd.release() != 0)
        return fail("cannot close", errno);
    if (rename(temp.c_str(), target.c_str()) != 0) {
        const int err = errno;
        unlink(temp.c_str());
        error = Reason("cannot rename the temporary file to", path, err);
        return false;
    }
    if (renamed != nullptr)
        *renamed = true;

    // The rename itself is durable only once the directory is synced.
    Fd dirFd(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.get() < 0 || fsync(dirFd.get()) != 0) {
        error = Reason("cannot sync the directory", dir, errno);
        return false;
    }
    return true;
}

bool MakeDirectories(const std::string& dir, std::string& error) {
    if (dir.empty())
        return true;
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = dir.find('/', pos + 1);
        const std::string part = dir.substr(0, pos);
        if (part.empty() || part == "/")
            continue;
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            error = Reason("cannot create the directory", part, errno);
            return false;
        }
    }
    struct stat st;
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = dir + " is not a directory";
        return false;
    }
    return true;
}

}  // namespace scanhost
