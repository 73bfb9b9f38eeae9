// Win32 platform layer: the settings key below HKEY_CURRENT_USER (RegOpenKeyExA, RegCreateKeyExA,
// RegQueryValueExA, RegSetValueExA). Writes are kept until flush (or closing the key) and then stored
// as one transaction, journalled so that a process killed half-way leaves no mix of old and new:
//
//   1. the old value of every value the transaction changes is copied into the subkey "Journal" (same
//      name, type and bytes); values that did not exist are listed in the marker, the subkey's default
//      value (REG_MULTI_SZ), written last and flushed;
//   2. the new values are written into the key and flushed;
//   3. the marker is deleted, then the subkey.
//
// Opening the key, and every transaction before it starts, rolls back a journal whose marker is still
// there: its writer died in step 2, and the key gets every old value back. A journal without a marker
// (its writer died in step 1 or 3) holds nothing the key needs and is deleted. Transactions and
// roll-backs of one key take a named mutex, so concurrent writers store whole choices one after the
// other and nobody rolls back a transaction that is still being written.
// A refused write rolls its transaction back and is reported by flush. Errors name the key as
// "HKEY_CURRENT_USER\<path>" followed by the system's message (FormatMessageA).
// Test hook: FERNHOLLOW_TEST_KILL_AFTER_WRITES=N ends the process (TerminateProcess, exit status 137)
// right after its N-th change of the registry, to show what a writer killed at that moment leaves.
// Depends on: ADVAPI32, KERNEL32.
#include "platform/Registry.h"

#include "platform/win32/Win32.h"

#include <cstdio>
#include <cstdlib>

namespace System::Platform {

namespace {

constexpr const char* journalName = "Journal";
constexpr DWORD lockTimeoutMs = 10000;

std::string g_lastError;

std::string describe(const std::string& path, LONG code)
{
    return "HKEY_CURRENT_USER\\" + path + ": " + Win32::errorText(static_cast<DWORD>(code));
}

void afterWrite()
{
    static int writes = 0;
    static const char* limit = std::getenv("FERNHOLLOW_TEST_KILL_AFTER_WRITES");
    if (limit && ++writes == std::atoi(limit))
        TerminateProcess(GetCurrentProcess(), 137);
}

struct Value {
    DWORD type = REG_NONE;
    std::vector<unsigned char> data;

    bool operator==(const Value& other) const { return type == other.type && data == other.data; }
};

bool readValue(HKEY key, const std::string& name, Value& value)
{
    DWORD size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    value.data.assign(size, 0);
    // The value may change between the two calls; the second says how much it really wrote.
    if (RegQueryValueExA(key, name.c_str(), nullptr, &value.type, value.data.empty() ? nullptr : value.data.data(),
                         &size) != ERROR_SUCCESS)
        return false;
    value.data.resize(size);
    return true;
}

LONG writeValue(HKEY key, const std::string& name, const Value& value)
{
    LONG code = RegSetValueExA(key, name.c_str(), 0, value.type, value.data.empty() ? nullptr : value.data.data(),
                               static_cast<DWORD>(value.data.size()));
    afterWrite();
    return code;
}

LONG deleteValue(HKEY key, const std::string& name)
{
    LONG code = RegDeleteValueA(key, name.c_str());
    afterWrite();
    return code;
}

LONG deleteJournal(HKEY key)
{
    LONG code = RegDeleteKeyA(key, journalName);
    afterWrite();
    return code == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : code;
}

// The names a REG_MULTI_SZ lists.
std::vector<std::string> splitNames(const std::vector<unsigned char>& data)
{
    std::vector<std::string> names;
    std::string name;
    for (unsigned char c : data) {
        if (c != 0) {
            name += static_cast<char>(c);
        } else if (!name.empty()) {
            names.push_back(name);
            name.clear();
        }
    }
    if (!name.empty())
        names.push_back(name);
    return names;
}

// One key's transactions, one at a time across every process.
class KeyLock {
public:
    explicit KeyLock(const std::string& path)
    {
        // A mutex name may not hold a backslash after its namespace.
        std::string name = "Local\\Fernhollow registry " + path;
        for (std::size_t i = 6; i < name.size(); ++i)
            if (name[i] == '\\')
                name[i] = '/';
        mutex = CreateMutexA(nullptr, FALSE, name.c_str());
        if (!mutex)
            return;
        // WAIT_ABANDONED: its owner died holding it, perhaps half-way through a transaction, which the
        // roll-back that follows undoes.
        DWORD waited = WaitForSingleObject(mutex, lockTimeoutMs);
        held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    }
    ~KeyLock()
    {
        if (held)
            ReleaseMutex(mutex);
        if (mutex)
            CloseHandle(mutex);
    }
    KeyLock(const KeyLock&) = delete;
    KeyLock& operator=(const KeyLock&) = delete;

    bool locked() const { return held; }

private:
    HANDLE mutex = nullptr;
    bool held = false;
};

// Undoes the transaction a dead writer left (see the top of the file). Called with the lock held.
LONG rollBack(HKEY key)
{
    HKEY journal = nullptr;
    LONG code = RegOpenKeyExA(key, journalName, 0, KEY_READ | KEY_WRITE, &journal);
    if (code == ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;
    if (code != ERROR_SUCCESS)
        return code;
    Value marker;
    if (readValue(journal, "", marker)) {
        for (DWORD index = 0;; ++index) {
            char name[16384];
            DWORD length = sizeof name;
            if (RegEnumValueA(journal, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            Value old;
            if (length == 0 || !readValue(journal, name, old))
                continue;
            if ((code = writeValue(key, name, old)) != ERROR_SUCCESS)
                break;
        }
        for (const std::string& name : splitNames(marker.data)) {
            if (code != ERROR_SUCCESS)
                break;
            LONG deleted = deleteValue(key, name);
            if (deleted != ERROR_SUCCESS && deleted != ERROR_FILE_NOT_FOUND)
                code = deleted;
        }
        if (code == ERROR_SUCCESS) {
            RegFlushKey(key);
            code = deleteValue(journal, "");
        }
    }
    RegCloseKey(journal);
    if (code != ERROR_SUCCESS)
        return code;  // the marker stays: the next open tries again
    return deleteJournal(key);
}

struct Write {
    std::string name;
    Value value;
};

class Win32RegistryKey : public RegistryKey {
public:
    Win32RegistryKey(HKEY key, const std::string& path) : key(key), path(path) {}
    ~Win32RegistryKey() override
    {
        std::string error;
        if (!flush(error))
            std::fprintf(stderr, "fernhollow: could not save registry key %s\n", error.c_str());
        RegCloseKey(key);
    }

    // A write not yet flushed is already this key's value: the key reads its own writes.
    bool query(const std::string& name, RegistryType& type, std::vector<unsigned char>& data) const override
    {
        Value value;
        if (const Value* written = findPending(name))
            value = *written;
        else if (!readValue(key, name, value))
            return false;
        data = value.data;
        type = value.type == REG_SZ ? RegistryType::String
               : value.type == REG_DWORD ? RegistryType::Dword
                                         : RegistryType::Other;
        return true;
    }

    void setDword(const std::string& name, std::uint32_t value) override
    {
        Value stored{REG_DWORD, std::vector<unsigned char>(4)};
        for (int i = 0; i < 4; ++i)
            stored.data[i] = static_cast<unsigned char>(value >> (8 * i));
        pending(name) = stored;
    }

    void setString(const std::string& name, const std::string& text) override
    {
        pending(name) = Value{REG_SZ, std::vector<unsigned char>(text.c_str(), text.c_str() + text.size() + 1)};
    }

    bool flush(std::string& error) override
    {
        error.clear();
        if (writes.empty())
            return true;
        std::vector<Write> taken;
        taken.swap(writes);
        for (const Write& w : taken) {
            if (w.name.empty()) {
                error = "HKEY_CURRENT_USER\\" + path + ": a value without a name cannot be stored";
                return false;
            }
        }
        KeyLock lock(path);
        if (!lock.locked()) {
            error = "HKEY_CURRENT_USER\\" + path + ": another program kept the settings locked for " +
                    std::to_string(lockTimeoutMs / 1000) + " seconds";
            return false;
        }
        LONG code = commit(taken);
        if (code != ERROR_SUCCESS) {
            error = describe(path, code);
            return false;
        }
        return true;
    }

    // Undoes what a killed writer left half-done; done when the key is opened.
    void recover() const
    {
        KeyLock lock(path);
        if (lock.locked())
            rollBack(key);
    }

private:
    // Value names are the registry's: the same in any case.
    static bool sameName(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

    const Value* findPending(const std::string& name) const
    {
        for (const Write& w : writes)
            if (sameName(w.name, name))
                return &w.value;
        return nullptr;
    }

    Value& pending(const std::string& name)
    {
        for (Write& w : writes)
            if (sameName(w.name, name))
                return w.value;
        writes.push_back(Write{name, Value{}});
        return writes.back().value;
    }

    LONG commit(const std::vector<Write>& taken)
    {
        LONG code = rollBack(key);
        if (code != ERROR_SUCCESS)
            return code;
        // Only what changes is written (and journalled).
        std::vector<const Write*> changes;
        std::vector<Write> old;
        std::string absent;
        for (const Write& w : taken) {
            Value current;
            if (readValue(key, w.name, current)) {
                if (current == w.value)
                    continue;
                old.push_back(Write{w.name, current});
            } else {
                absent += w.name;
                absent += '\0';
            }
            changes.push_back(&w);
        }
        if (changes.empty())
            return ERROR_SUCCESS;

        HKEY journal = nullptr;
        code = RegCreateKeyExA(key, journalName, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr,
                               &journal, nullptr);
        if (code != ERROR_SUCCESS)
            return code;
        for (const Write& w : old)
            if ((code = writeValue(journal, w.name, w.value)) != ERROR_SUCCESS)
                break;
        if (code == ERROR_SUCCESS) {
            absent += '\0';
            RegFlushKey(journal);
            code = writeValue(journal, "", Value{REG_MULTI_SZ, std::vector<unsigned char>(absent.begin(), absent.end())});
            RegFlushKey(journal);
        }
        RegCloseKey(journal);
        if (code != ERROR_SUCCESS) {
            deleteJournal(key);  // the key itself is untouched
            return code;
        }

        for (const Write* w : changes)
            if ((code = writeValue(key, w->name, w->value)) != ERROR_SUCCESS)
                break;
        if (code != ERROR_SUCCESS) {
            rollBack(key);
            return code;
        }
        RegFlushKey(key);
        code = RegOpenKeyExA(key, journalName, 0, KEY_WRITE, &journal);
        if (code == ERROR_SUCCESS) {
            code = deleteValue(journal, "");
            RegCloseKey(journal);
        }
        // Should the marker resist deletion, the next open rolls back a transaction that did finish:
        // the caller is told it failed, which is then the truth.
        if (code != ERROR_SUCCESS) {
            rollBack(key);
            return code;
        }
        deleteJournal(key);
        return ERROR_SUCCESS;
    }

    HKEY key;
    std::string path;
    std::vector<Write> writes;  // in order, one per name: the last write of each name wins
};

} // namespace

std::unique_ptr<RegistryKey> RegistryKey::open(const std::string& path)
{
    HKEY key = nullptr;
    LONG code = RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ | KEY_WRITE, &key);
    if (code != ERROR_SUCCESS) {
        g_lastError = describe(path, code);
        return nullptr;
    }
    auto opened = std::make_unique<Win32RegistryKey>(key, path);
    opened->recover();
    return opened;
}

std::unique_ptr<RegistryKey> RegistryKey::create(const std::string& path)
{
    HKEY key = nullptr;
    LONG code = RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
    if (code != ERROR_SUCCESS) {
        g_lastError = describe(path, code);
        return nullptr;
    }
    auto created = std::make_unique<Win32RegistryKey>(key, path);
    created->recover();
    return created;
}

std::string RegistryKey::lastError()
{
    return g_lastError;
}

} // namespace System::Platform
