// Linux registry keys: every key below the current user is a section of one file,
// <registryFolder()>/user.reg (see RegistryStore.h). A key reads the snapshot taken when it was
// opened plus its own writes; the writes are committed when the key is closed, as one transaction
// under an exclusive flock on user.reg.lock: re-read the file, apply the writes, write a temporary
// file in the same folder, fsync it, rename it over the old one, fsync the folder. So two processes
// never lose each other's values and a crash leaves the old file or the new one, never half of one.
// A file with unreadable lines is copied to user.reg.bak (user.reg.bak.1, ... when that is taken by
// another version) before it is rewritten.
// Limits: needs flock and an atomic rename in the folder (local file systems); a user.reg that is a
// symbolic link is replaced by a plain file on the first write. Depends on: POSIX.
#include "platform/Registry.h"

#include "platform/linux/RegistryFile.h"
#include "platform/linux/RegistryStore.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace System::Platform {

namespace {

constexpr const char* rootKey = "HKEY_CURRENT_USER";
constexpr int maxBackups = 100;

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

std::string errorText(const std::string& what)
{
    return what + ": " + std::strerror(errno);
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
        path.find("\\\\") != std::string::npos)
        return std::nullopt;
    std::string section = std::string(rootKey) + "\\" + path;
    if (!RegistryFile::storableSection(section))
        return std::nullopt;
    std::string folder = registryFolder();
    if (folder.empty())
        return std::nullopt;
    return Location{folder, folder + "/user.reg", folder + "/user.reg.lock", section};
}

enum class ReadResult { Read, Missing, Failed };

ReadResult readFile(const std::string& path, std::string& text, mode_t& mode, std::string& error)
{
    // O_NONBLOCK: a FIFO in the file's place must not hang the open; it is refused below.
    Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid()) {
        if (errno == ENOENT)
            return ReadResult::Missing;
        error = errorText("cannot open " + path);
        return ReadResult::Failed;
    }
    struct stat info {};
    if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        error = path + " is not a plain file";
        return ReadResult::Failed;
    }
    mode = info.st_mode & 07777;
    text.clear();
    char buffer[65536];
    for (;;) {
        ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got == 0)
            return ReadResult::Read;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            error = errorText("cannot read " + path);
            return ReadResult::Failed;
        }
        text.append(buffer, static_cast<std::size_t>(got));
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
bool makeFolders(const std::string& folder, std::string& error)
{
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        std::string part = folder.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            error = errorText("cannot create " + part);
            return false;
        }
        if (slash == std::string::npos)
            break;
    }
    if (!isFolder(folder)) {
        error = folder + " is not a folder";
        return false;
    }
    return true;
}

Fd lockFolder(const Location& at, std::string& error)
{
    Fd fd(::open(at.lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!fd.valid()) {
        error = errorText("cannot open " + at.lock);
        return fd;
    }
    while (::flock(fd.get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            error = errorText("cannot lock " + at.lock);
            return Fd();
        }
    }
    return fd;
}

bool syncAndClose(Fd& fd)
{
    bool synced = ::fsync(fd.get()) == 0;
    return fd.close() && synced;
}

// Copies a damaged file beside itself before it is rewritten. An existing backup of another version
// is never overwritten; one with the same bytes is reused.
bool keepBackup(const Location& at, const std::string& text, std::string& error)
{
    for (int n = 0; n < maxBackups; ++n) {
        std::string name = at.file + ".bak" + (n ? "." + std::to_string(n) : std::string());
        Fd fd(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (!fd.valid()) {
            if (errno != EEXIST) {
                error = errorText("cannot create " + name);
                return false;
            }
            std::string existing, ignored;
            mode_t mode = 0;
            if (readFile(name, existing, mode, ignored) == ReadResult::Read && existing == text)
                return true;
            continue;
        }
        if (!writeAll(fd.get(), text) || !syncAndClose(fd)) {
            error = errorText("cannot write " + name);
            ::unlink(name.c_str());
            return false;
        }
        return true;
    }
    error = "too many backups of " + at.file;
    return false;
}

bool replaceFile(const Location& at, const std::string& text, mode_t mode, std::string& error)
{
    std::string temporary = at.folder + "/.user.reg.XXXXXX";
    Fd fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd.valid()) {
        error = errorText("cannot create a temporary file in " + at.folder);
        return false;
    }
    if (::fchmod(fd.get(), mode) != 0 || !writeAll(fd.get(), text) || !syncAndClose(fd) ||
        ::rename(temporary.c_str(), at.file.c_str()) != 0) {
        error = errorText("cannot write " + at.file);
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
bool commit(const Location& at, const std::vector<Write>& writes, RegistryFile* result, std::string& error)
{
    if (!makeFolders(at.folder, error))
        return false;
    Fd lock = lockFolder(at, error);
    if (!lock.valid())
        return false;

    std::string old;
    mode_t mode = 0600;
    ReadResult state = readFile(at.file, old, mode, error);
    if (state == ReadResult::Failed)
        return false;  // never overwrite what could not be read
    RegistryFile file = RegistryFile::parse(old);
    bool changed = !file.hasSection(at.section) || !writes.empty();
    file.addSection(at.section);
    for (const Write& w : writes) {
        if (w.dword)
            file.setDword(at.section, w.name, w.value);
        else
            file.setString(at.section, w.name, w.text);
    }

    std::string text = file.serialize();
    if (changed && !(state == ReadResult::Read && text == old)) {
        if (state == ReadResult::Read && file.damaged() && !keepBackup(at, old, error))
            return false;
        if (!replaceFile(at, text, mode, error))
            return false;
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
        if (writes.empty())
            return;
        std::string error;
        if (!commit(at, writes, nullptr, error))
            std::fprintf(stderr, "fernhollow: could not save registry key %s: %s\n", at.section.c_str(),
                         error.c_str());
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

std::unique_ptr<RegistryKey> RegistryKey::open(const std::string& path)
{
    std::optional<Location> at = locate(path);
    if (!at)
        return nullptr;
    std::string text, error;
    mode_t mode = 0;
    if (readFile(at->file, text, mode, error) != ReadResult::Read)
        return nullptr;
    RegistryFile file = RegistryFile::parse(text);
    if (!file.hasSection(at->section))
        return nullptr;
    return std::make_unique<FileKey>(std::move(*at), std::move(file));
}

std::unique_ptr<RegistryKey> RegistryKey::create(const std::string& path)
{
    std::optional<Location> at = locate(path);
    if (!at)
        return nullptr;
    RegistryFile file;
    std::string error;
    if (!commit(*at, {}, &file, error))
        return nullptr;
    return std::make_unique<FileKey>(std::move(*at), std::move(file));
}

} // namespace System::Platform
