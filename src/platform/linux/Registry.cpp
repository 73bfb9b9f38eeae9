// Linux registry keys: every key below the current user is a section of one file,
// <registryFolder()>/user.reg (see RegistryStore.h). A key reads the snapshot taken when it was
// opened plus its own writes; the writes are committed when the key is closed, as one transaction
// under an exclusive flock on user.reg.lock: re-read the file, apply the writes, write a temporary
// file in the same folder, fsync it, rename it over the old one, fsync the folder. So two processes
// never lose each other's values and a crash leaves the old file or the new one, never half of one.
// A file with unreadable lines, one over the size limit, or one in another encoding is kept as
// user.reg.bak (user.reg.bak.1, ... when that is taken by another version) before it is rewritten;
// only the newest few backups are kept. Temporary files that a killed writer left are removed.
// The lock is waited for a bounded time, and hardly at all once the process is asked to end.
// Limits: needs flock and an atomic rename in the folder (local file systems); a user.reg that is a
// symbolic link is replaced by a plain file on the first write. Depends on: POSIX.
#include "platform/Registry.h"

#include "platform/MessagePump.h"
#include "platform/linux/RegistryFile.h"
#include "platform/linux/RegistryStore.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <csignal>
#include <optional>
#include <vector>

namespace System::Platform {

namespace {

constexpr const char* rootKey = "HKEY_CURRENT_USER";
constexpr int maxBackups = 100;
constexpr std::size_t keptBackups = 5;
// A settings file is a few hundred bytes; anything near this is not one, and reading it whole would
// cost the start-up seconds and the process gigabytes.
constexpr off_t maxFileSize = 1 << 20;
constexpr int lockWaitSeconds = 10;
constexpr int lockWaitOnceEnding = 1;  // seconds, once the process has been asked to end
constexpr int staleTemporarySeconds = 60;

// Plain static, not thread_local: the exit-time save runs after thread-local objects are gone.
std::string g_lastError;

class Fd {
public:
    explicit Fd(int descriptor = -1) : fd(descriptor) {}
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&& other) noexcept : fd(other.fd) { other.fd = -1; }

    int get() const { return fd; }
    bool valid() const { return fd >= 0; }
    // close() can report a failed write-back, so a file being written is closed explicitly.
    bool close()
    {
        int old = fd;
        fd = -1;
        return old < 0 || ::close(old) == 0;
    }

private:
    int fd;
};

// "<path>: <what>: <system's reason>"
std::string errorText(const std::string& path, const std::string& what)
{
    return path + ": " + (what.empty() ? std::string() : what + ": ") + std::strerror(errno);
}

double secondsSince(const timespec& start)
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec - start.tv_sec) + (now.tv_nsec - start.tv_nsec) / 1e9;
}

const char* kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "not a plain file";
}

std::string absoluteVariable(const char* name)
{
    const char* value = std::getenv(name);
    return value && value[0] == '/' ? std::string(value) : std::string();
}

std::string homeFolder()
{
    std::string home = absoluteVariable("HOME");
    if (!home.empty())
        return home;
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::string buffer(size > 0 ? static_cast<std::size_t>(size) : 16384, '\0');
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
        found->pw_dir[0] == '/')
        return found->pw_dir;
    return {};
}

struct Location {
    std::string folder;
    std::string file;
    std::string lock;
    std::string section;
};

// Null for a path that is not a key name ("A\B"; no empty parts) or when there is no home folder.
std::optional<Location> locate(const std::string& path)
{
    if (path.empty() || path.front() == '\\' || path.back() == '\\' ||
        path.find("\\\\") != std::string::npos) {
        g_lastError = "\"" + path + "\" is not a registry key name";
        return std::nullopt;
    }
    std::string section = std::string(rootKey) + "\\" + path;
    if (!RegistryFile::storableSection(section)) {
        g_lastError = "\"" + path + "\" is not a registry key name";
        return std::nullopt;
    }
    std::string folder = registryFolder();
    if (folder.empty()) {
        g_lastError = "no settings folder: neither XDG_CONFIG_HOME nor HOME names an absolute folder, and "
                      "the user has no home folder";
        return std::nullopt;
    }
    return Location{folder, folder + "/user.reg", folder + "/user.reg.lock", section};
}

// TooLarge: a plain file over maxFileSize; text is then left empty and the file is treated as damaged.
enum class ReadResult { Read, Missing, TooLarge, Failed };

ReadResult readFile(const std::string& path, std::string& text, mode_t& mode, std::string& error)
{
    // O_NONBLOCK: a FIFO in the file's place must not hang the open; it is refused below.
    Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid()) {
        if (errno == ENOENT)
            return ReadResult::Missing;
        error = errorText(path, "cannot open it");
        return ReadResult::Failed;
    }
    struct stat info {};
    if (fstat(fd.get(), &info) != 0) {
        error = errorText(path, "cannot read it");
        return ReadResult::Failed;
    }
    if (!S_ISREG(info.st_mode)) {
        error = path + ": is " + kindOf(info.st_mode) + ", not a plain file";
        return ReadResult::Failed;
    }
    mode = info.st_mode & 07777;
    text.clear();
    if (info.st_size > maxFileSize)
        return ReadResult::TooLarge;
    char buffer[65536];
    for (;;) {
        ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got == 0)
            return ReadResult::Read;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            error = errorText(path, "cannot read it");
            return ReadResult::Failed;
        }
        text.append(buffer, static_cast<std::size_t>(got));
        if (text.size() > static_cast<std::size_t>(maxFileSize)) {  // grew while being read
            text.clear();
            return ReadResult::TooLarge;
        }
    }
}

bool writeAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t put = ::write(fd, text.data() + done, text.size() - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return true;
}

bool isFolder(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// mkdir -p; new folders are private to the user, as settings folders are.
bool makeFolders(const Location& at, std::string& error)
{
    const std::string& folder = at.folder;
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        std::string part = folder.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            error = errorText(at.file, "cannot create the folder " + part);
            return false;
        }
        if (slash == std::string::npos)
            break;
    }
    if (!isFolder(folder)) {
        error = at.file + ": " + folder + " is not a folder";
        return false;
    }
    return true;
}

// Another writer holds the lock for milliseconds. One that holds it for long (stopped, hung) must not
// hang this process: the wait is bounded, and shortened once the process has been asked to end.
Fd lockFolder(const Location& at, std::string& error)
{
    Fd fd(::open(at.lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!fd.valid()) {
        error = errorText(at.file, "cannot open its lock file " + at.lock);
        return fd;
    }
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    while (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            error = errorText(at.file, "cannot lock " + at.lock);
            return Fd();
        }
        double waited = secondsSince(start);
        if (waited >= lockWaitSeconds || (terminationRequested() && waited >= lockWaitOnceEnding)) {
            error = at.file + ": another process holds its lock " + at.lock + "; gave up after " +
                    std::to_string(static_cast<int>(waited + 0.5)) + " s" +
                    (terminationRequested() ? " (asked to end)" : "");
            return Fd();
        }
        timespec pause{0, 20 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
    return fd;
}

bool syncAndClose(Fd& fd)
{
    bool synced = ::fsync(fd.get()) == 0;
    return fd.close() && synced;
}

std::string backupName(const Location& at, int n)
{
    return at.file + ".bak" + (n ? "." + std::to_string(n) : std::string());
}

// Leaves at most `keep` backups, the newest by modification time.
void removeOldBackups(const Location& at, std::size_t keep)
{
    struct Backup {
        std::string name;
        timespec modified;
    };
    std::vector<Backup> backups;
    for (int n = 0; n < maxBackups; ++n) {
        struct stat info {};
        std::string name = backupName(at, n);
        if (::lstat(name.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            backups.push_back(Backup{name, info.st_mtim});
    }
    if (backups.size() <= keep)
        return;
    std::sort(backups.begin(), backups.end(), [](const Backup& a, const Backup& b) {
        return a.modified.tv_sec != b.modified.tv_sec ? a.modified.tv_sec > b.modified.tv_sec
                                                      : a.modified.tv_nsec > b.modified.tv_nsec;
    });
    for (std::size_t i = keep; i < backups.size(); ++i)
        ::unlink(backups[i].name.c_str());
}

// Temporary files of writers killed between creating and renaming them; a live writer's is seconds old.
void removeStaleTemporaries(const Location& at)
{
    DIR* folder = ::opendir(at.folder.c_str());
    if (!folder)
        return;
    time_t now = ::time(nullptr);
    const std::string prefix = ".user.reg.";
    while (dirent* entry = ::readdir(folder)) {
        std::string name = entry->d_name;
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        std::string path = at.folder + "/" + name;
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            now - info.st_mtim.tv_sec > staleTemporarySeconds)
            ::unlink(path.c_str());
    }
    ::closedir(folder);
}

bool copyInto(int target, const std::string& source)
{
    Fd in(::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!in.valid())
        return false;
    char buffer[65536];
    for (;;) {
        ssize_t got = ::read(in.get(), buffer, sizeof buffer);
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (!writeAll(target, std::string(buffer, static_cast<std::size_t>(got))))
            return false;
    }
}

// Keeps the file about to be rewritten beside itself (it holds `text`, or is too large to have been
// read). An existing backup of another version is never overwritten; one with the same bytes is
// reused; only the newest few backups stay.
bool keepBackup(const Location& at, const std::string& text, bool tooLarge, std::string& error)
{
    removeOldBackups(at, keptBackups - 1);
    for (int n = 0; n < maxBackups; ++n) {
        std::string name = backupName(at, n);
        if (::link(at.file.c_str(), name.c_str()) == 0)
            return true;  // the old file itself, which the rename of the new one leaves in place
        if (errno == EEXIST) {
            std::string existing, ignored;
            mode_t mode = 0;
            if (!tooLarge && readFile(name, existing, mode, ignored) == ReadResult::Read && existing == text)
                return true;
            continue;
        }
        // No hard links on this file system: a copy.
        Fd fd(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (!fd.valid()) {
            if (errno == EEXIST)
                continue;
            error = errorText(at.file, "cannot create the backup " + name);
            return false;
        }
        bool written = tooLarge ? copyInto(fd.get(), at.file) : writeAll(fd.get(), text);
        if (!written || !syncAndClose(fd)) {
            error = errorText(at.file, "cannot write the backup " + name);
            ::unlink(name.c_str());
            return false;
        }
        return true;
    }
    error = at.file + ": too many backups beside it";
    return false;
}

bool replaceFile(const Location& at, const std::string& text, mode_t mode, std::string& error)
{
    std::string temporary = at.folder + "/.user.reg.XXXXXX";
    Fd fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd.valid()) {
        error = errorText(at.file, "cannot create a temporary file in " + at.folder);
        return false;
    }
    if (::fchmod(fd.get(), mode) != 0 || !writeAll(fd.get(), text) || !syncAndClose(fd) ||
        ::rename(temporary.c_str(), at.file.c_str()) != 0) {
        error = errorText(at.file, "cannot write it");
        ::unlink(temporary.c_str());
        return false;
    }
    Fd folder(::open(at.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid())
        ::fsync(folder.get());  // makes the rename durable; some file systems cannot, which is harmless
    return true;
}

struct Write {
    std::string name;
    bool dword = false;
    std::uint32_t value = 0;
    std::string text;
};

// The one transaction. With no writes it only makes sure the section exists (and that the folder can
// be locked, which is what proves it writable). On failure the old file is left as it was.
// Test hook: FERNHOLLOW_TEST_KILL_AFTER_WRITES=N kills the process (SIGKILL) right after its N-th
// rewrite of the file, to show what a writer killed at that moment leaves behind.
void afterWrite()
{
    static int writes = 0;
    static const char* limit = std::getenv("FERNHOLLOW_TEST_KILL_AFTER_WRITES");
    if (limit && ++writes == std::atoi(limit))
        std::raise(SIGKILL);
}

bool commit(const Location& at, const std::vector<Write>& writes, RegistryFile* result, std::string& error)
{
    if (!makeFolders(at, error))
        return false;
    Fd lock = lockFolder(at, error);
    if (!lock.valid())
        return false;
    removeStaleTemporaries(at);

    std::string old;
    mode_t mode = 0600;
    ReadResult state = readFile(at.file, old, mode, error);
    if (state == ReadResult::Failed)
        return false;  // never overwrite what could not be read
    bool tooLarge = state == ReadResult::TooLarge;
    RegistryFile file = tooLarge ? RegistryFile() : RegistryFile::parse(old);
    bool changed = !file.hasSection(at.section) || !writes.empty();
    file.addSection(at.section);
    for (const Write& w : writes) {
        if (w.dword)
            file.setDword(at.section, w.name, w.value);
        else
            file.setString(at.section, w.name, w.text);
    }

    std::string text = file.serialize();
    bool keepOld = tooLarge || (state == ReadResult::Read && (file.damaged() || file.converted()));
    if ((changed || tooLarge) && !(state == ReadResult::Read && text == old)) {
        if (keepOld && !keepBackup(at, old, tooLarge, error))
            return false;
        if (!replaceFile(at, text, mode, error))
            return false;
        afterWrite();
    }
    if (result)
        *result = std::move(file);
    return true;
}

class FileKey final : public RegistryKey {
public:
    FileKey(Location location, RegistryFile snapshot) : at(std::move(location)), view(std::move(snapshot)) {}

    ~FileKey() override
    {
        std::string error;
        if (!flush(error))
            std::fprintf(stderr, "fernhollow: could not save registry key %s: %s\n", at.section.c_str(),
                         error.c_str());
    }

    bool flush(std::string& error) override
    {
        error.clear();
        if (writes.empty())
            return true;
        std::vector<Write> pending;
        pending.swap(writes);
        return commit(at, pending, nullptr, error);
    }

    bool query(const std::string& name, RegistryType& type, std::vector<unsigned char>& data) const override
    {
        const RegistryEntry* entry = view.find(at.section, name);
        if (!entry)
            return false;
        type = entry->type;
        data = entry->data;
        return true;
    }

    void setDword(const std::string& name, std::uint32_t value) override
    {
        if (accepted(name) && view.setDword(at.section, name, value))
            writes.push_back(Write{name, true, value, {}});
    }

    void setString(const std::string& name, const std::string& text) override
    {
        if (accepted(name) && view.setString(at.section, name, text))
            writes.push_back(Write{name, false, 0, text});
    }

private:
    bool accepted(const std::string& name) const
    {
        if (RegistryFile::storableName(name))
            return true;
        std::fprintf(stderr, "fernhollow: registry value name with a line break or NUL not stored\n");
        return false;
    }

    Location at;
    RegistryFile view;  // the file as opened, with this key's writes applied
    std::vector<Write> writes;
};

} // namespace

std::string registryFolder()
{
    std::string base = absoluteVariable("XDG_CONFIG_HOME");
    if (base.empty()) {
        std::string home = homeFolder();
        if (home.empty())
            return {};
        base = (home == "/" ? std::string() : home) + "/.config";
    }
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return (base == "/" ? std::string() : base) + "/fernhollow";
}

// A file over the size limit opens as missing: the create that follows keeps it as a backup and starts
// a new one.
std::unique_ptr<RegistryKey> RegistryKey::open(const std::string& path)
{
    g_lastError.clear();
    std::optional<Location> at = locate(path);
    if (!at)
        return nullptr;
    std::string text, error;
    mode_t mode = 0;
    ReadResult state = readFile(at->file, text, mode, error);
    if (state != ReadResult::Read) {
        g_lastError = state == ReadResult::Failed   ? error
                      : state == ReadResult::Missing ? at->file + ": no such file"
                                                     : at->file + ": larger than 1 MiB";
        return nullptr;
    }
    RegistryFile file = RegistryFile::parse(text);
    if (!file.hasSection(at->section)) {
        g_lastError = at->file + ": no section [" + at->section + "]";
        return nullptr;
    }
    return std::make_unique<FileKey>(std::move(*at), std::move(file));
}

std::unique_ptr<RegistryKey> RegistryKey::create(const std::string& path)
{
    g_lastError.clear();
    std::optional<Location> at = locate(path);
    if (!at)
        return nullptr;
    RegistryFile file;
    std::string error;
    if (!commit(*at, {}, &file, error)) {
        g_lastError = error;
        return nullptr;
    }
    return std::make_unique<FileKey>(std::move(*at), std::move(file));
}

std::string RegistryKey::lastError()
{
    return g_lastError;
}

} // namespace System::Platform
