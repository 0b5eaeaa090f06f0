#include "registry.h"

#include "core/text.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kRootName = "HKEY_CURRENT_USER";

struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const
    {
        return ToLowerAscii(a) < ToLowerAscii(b);
    }
};

struct Value {
    bool isDword = false;
    std::string text;
    DWORD number = 0;
};

std::string Escape(const std::string& s)
{
    std::string out;
    for (char c : s) {
        if (c == '\\' || c == '"')
            out += '\\', out += c;
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

// Reads a quoted string starting at line[pos] == '"'; pos ends after the
// closing quote.  False on a malformed string.
bool ReadQuoted(const std::string& line, std::size_t& pos, std::string& out)
{
    if (pos >= line.size() || line[pos] != '"')
        return false;
    out.clear();
    for (++pos; pos < line.size(); ++pos) {
        char c = line[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\\') {
            if (++pos >= line.size())
                return false;
            char e = line[pos];
            out += e == 'n' ? '\n' : e == 'r' ? '\r' : e;
        } else {
            out += c;
        }
    }
    return false;
}

std::string NormaliseKey(const std::string& key)
{
    std::string out;
    std::size_t i = 0;
    while (i < key.size()) {
        std::size_t j = key.find('\\', i);
        if (j == std::string::npos)
            j = key.size();
        if (j > i) {
            if (!out.empty())
                out += '\\';
            out.append(key, i, j - i);
        }
        i = j + 1;
    }
    return out;
}

bool IsSameOrBelow(const std::string& key, const std::string& parent)
{
    if (key.size() < parent.size() || !EqualsNoCase(std::string_view(key).substr(0, parent.size()), parent))
        return false;
    return key.size() == parent.size() || parent.empty() || key[parent.size()] == '\\';
}

struct FileLock {
    int fd = -1;
    explicit FileLock(const std::string& path)
    {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd >= 0)
            while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {}
    }
    ~FileLock()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

struct RegistryStore::Data {
    std::map<std::string, std::map<std::string, Value, NoCaseLess>, NoCaseLess> keys;
    // What the data was read from, to notice changes by other processes.
    // The file is kept open: writers replace it by rename, and holding the
    // old one keeps its inode number from being reused by the new one.
    struct stat signature {};
    int heldFd = -1;
    bool loaded = false;

    ~Data() { Hold(-1); }
    void Hold(int fd)
    {
        if (heldFd >= 0)
            ::close(heldFd);
        heldFd = fd;
    }

    std::string Serialise() const
    {
        std::ostringstream out;
        out << "; Per-user settings. Edit with care: a file that cannot be read is set aside.\n";
        for (const auto& [key, values] : keys) {
            out << '\n' << '[' << kRootName << (key.empty() ? "" : "\\") << key << "]\n";
            for (const auto& [name, v] : values) {
                out << '"' << Escape(name) << "\"=";
                if (v.isDword) {
                    char buf[16];
                    std::snprintf(buf, sizeof buf, "dword:%08x", v.number);
                    out << buf << '\n';
                } else {
                    out << '"' << Escape(v.text) << "\"\n";
                }
            }
        }
        return out.str();
    }

    // Parses text; on failure returns the 1-based line number of the fault.
    int Parse(const std::string& text)
    {
        keys.clear();
        std::istringstream in(text);
        std::string line;
        int lineNo = 0;
        std::map<std::string, Value, NoCaseLess>* current = nullptr;
        while (std::getline(in, line)) {
            ++lineNo;
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            std::size_t p = line.find_first_not_of(" \t");
            if (p == std::string::npos || line[p] == ';' || line[p] == '#')
                continue;
            if (line[p] == '[') {
                std::size_t close = line.rfind(']');
                if (close == std::string::npos || close < p)
                    return lineNo;
                std::string full = line.substr(p + 1, close - p - 1);
                if (!IsSameOrBelow(full, kRootName))
                    return lineNo;
                current = &keys[NormaliseKey(full.substr(std::string(kRootName).size()))];
                continue;
            }
            std::string name;
            if (!current || !ReadQuoted(line, p, name) || p >= line.size() || line[p] != '=')
                return lineNo;
            ++p;
            Value v;
            if (line.compare(p, 6, "dword:") == 0) {
                std::string hex = line.substr(p + 6);
                if (hex.size() != 8 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
                    return lineNo;
                v.isDword = true;
                v.number = static_cast<DWORD>(std::strtoul(hex.c_str(), nullptr, 16));
            } else if (!ReadQuoted(line, p, v.text) || line.find_first_not_of(" \t", p) != std::string::npos) {
                return lineNo;
            }
            (*current)[name] = v;
        }
        return 0;
    }
};

RegistryStore& RegistryStore::User()
{
    // The location follows QX_REGISTRY as it is now.  Stores of earlier
    // locations stay alive: callers may still hold references to them.
    static std::mutex mutex;
    static std::vector<std::unique_ptr<RegistryStore>> stores;
    const std::string path = DefaultPath();
    std::lock_guard lock(mutex);
    for (const auto& s : stores)
        if (s->Path() == path)
            return *s;
    stores.push_back(std::make_unique<RegistryStore>(path));
    return *stores.back();
}

std::string RegistryStore::DefaultPath()
{
    if (const char* p = std::getenv("QX_REGISTRY"); p && *p)
        return p;
    std::string base;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x)
        base = x;
    else if (const char* h = std::getenv("HOME"); h && *h)
        base = std::string(h) + "/.config";
    else
        base = "/tmp";
    return base + "/velmora/registry.reg";
}

RegistryStore::RegistryStore(std::string path) : m_path(std::move(path)), m_data(std::make_unique<Data>()) {}
RegistryStore::~RegistryStore() = default;

const RegistryStore::Data& RegistryStore::Current(bool writerLockHeld)
{
    struct stat st {};
    if (::stat(m_path.c_str(), &st) != 0) {
        m_data->keys.clear();
        m_data->signature = {};
        m_data->Hold(-1);
        m_data->loaded = true;
        return *m_data;
    }
    const struct stat& old = m_data->signature;
    if (m_data->loaded && st.st_ino == old.st_ino && st.st_dev == old.st_dev && st.st_size == old.st_size
        && st.st_mtim.tv_sec == old.st_mtim.tv_sec && st.st_mtim.tv_nsec == old.st_mtim.tv_nsec)
        return *m_data;

    const int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
    std::string text;
    if (fd >= 0) {
        ::fstat(fd, &st);
        char buf[8192];
        ssize_t n;
        while ((n = ::read(fd, buf, sizeof buf)) > 0)
            text.append(buf, static_cast<std::size_t>(n));
    }
    m_data->Hold(fd);
    if (int badLine = m_data->Parse(text)) {
        // Set the damaged file aside under the writers' lock, unless a writer
        // replaced it in the meantime.
        std::optional<FileLock> lock;
        if (!writerLockHeld)
            lock.emplace(m_path + ".lock");
        struct stat now {};
        if (::stat(m_path.c_str(), &now) == 0 && now.st_ino == st.st_ino) {
            std::string aside = m_path + ".damaged";
            std::rename(m_path.c_str(), aside.c_str());
            std::fprintf(stderr, "registry: %s cannot be read (line %d); kept as %s, using defaults\n",
                m_path.c_str(), badLine, aside.c_str());
        }
        m_data->keys.clear();
        m_data->signature = {};
        m_data->loaded = false;
        return *m_data;
    }
    m_data->signature = st;
    m_data->loaded = true;
    return *m_data;
}

template <class Fn> DWORD RegistryStore::Modify(Fn&& change)
{
    std::lock_guard guard(m_mutex);
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(m_path).parent_path(), ec);
    FileLock lock(m_path + ".lock");
    if (lock.fd < 0)
        return SetLastErrorFromErrno();
    m_data->loaded = false; // always start from what is on disk now
    Current(true);
    DWORD err = change(*m_data);
    if (err != ERROR_SUCCESS)
        return err;

    std::string tmp = m_path + ".XXXXXX";
    int fd = ::mkstemp(tmp.data());
    if (fd < 0)
        return SetLastErrorFromErrno();
    const std::string text = m_data->Serialise();
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            DWORD e = SetLastErrorFromErrno();
            ::close(fd);
            ::unlink(tmp.c_str());
            m_data->loaded = false;
            return e;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    ::fchmod(fd, 0600);
    ::fsync(fd);
    ::close(fd);
    if (::rename(tmp.c_str(), m_path.c_str()) != 0) {
        DWORD e = SetLastErrorFromErrno();
        ::unlink(tmp.c_str());
        m_data->loaded = false;
        return e;
    }
    // Read back what was written, so the cache holds the new file.
    m_data->loaded = false;
    Current(true);
    return ERROR_SUCCESS;
}

std::optional<std::string> RegistryStore::GetString(const std::string& key, const std::string& name)
{
    std::lock_guard guard(m_mutex);
    const Data& d = Current();
    auto k = d.keys.find(NormaliseKey(key));
    if (k == d.keys.end())
        return std::nullopt;
    auto v = k->second.find(name);
    if (v == k->second.end() || v->second.isDword)
        return std::nullopt;
    return v->second.text;
}

std::optional<DWORD> RegistryStore::GetDword(const std::string& key, const std::string& name)
{
    std::lock_guard guard(m_mutex);
    const Data& d = Current();
    auto k = d.keys.find(NormaliseKey(key));
    if (k == d.keys.end())
        return std::nullopt;
    auto v = k->second.find(name);
    if (v == k->second.end() || !v->second.isDword)
        return std::nullopt;
    return v->second.number;
}

bool RegistryStore::KeyExists(const std::string& key)
{
    std::lock_guard guard(m_mutex);
    const Data& d = Current();
    const std::string k = NormaliseKey(key);
    for (const auto& entry : d.keys)
        if (IsSameOrBelow(entry.first, k))
            return true;
    return k.empty();
}

std::vector<std::string> RegistryStore::SubKeys(const std::string& key)
{
    std::lock_guard guard(m_mutex);
    const Data& d = Current();
    const std::string k = NormaliseKey(key);
    std::vector<std::string> out;
    for (const auto& entry : d.keys) {
        if (entry.first.size() <= k.size() || !IsSameOrBelow(entry.first, k))
            continue;
        std::string rest = entry.first.substr(k.empty() ? 0 : k.size() + 1);
        std::string child = rest.substr(0, rest.find('\\'));
        if (out.empty() || !EqualsNoCase(out.back(), child))
            out.push_back(child);
    }
    return out;
}

DWORD RegistryStore::SetString(const std::string& key, const std::string& name, const std::string& value)
{
    return Modify([&](Data& d) {
        Value& v = d.keys[NormaliseKey(key)][name];
        v = Value{false, value, 0};
        return ERROR_SUCCESS;
    });
}

DWORD RegistryStore::SetDword(const std::string& key, const std::string& name, DWORD value)
{
    return Modify([&](Data& d) {
        d.keys[NormaliseKey(key)][name] = Value{true, {}, value};
        return ERROR_SUCCESS;
    });
}

DWORD RegistryStore::CreateKey(const std::string& key)
{
    return Modify([&](Data& d) {
        d.keys[NormaliseKey(key)];
        return ERROR_SUCCESS;
    });
}

DWORD RegistryStore::DeleteValue(const std::string& key, const std::string& name)
{
    return Modify([&](Data& d) -> DWORD {
        auto k = d.keys.find(NormaliseKey(key));
        if (k == d.keys.end() || k->second.erase(name) == 0)
            return ERROR_FILE_NOT_FOUND;
        return ERROR_SUCCESS;
    });
}

DWORD RegistryStore::DeleteKey(const std::string& key)
{
    return Modify([&](Data& d) -> DWORD {
        const std::string k = NormaliseKey(key);
        bool found = false;
        for (auto it = d.keys.begin(); it != d.keys.end();) {
            if (IsSameOrBelow(it->first, k)) {
                it = d.keys.erase(it);
                found = true;
            } else {
                ++it;
            }
        }
        return found ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

CProfile::CProfile(RegistryStore& store, const std::string& company, const std::string& application)
    : m_store(store), m_root("Software\\" + company + "\\" + application)
{
}

std::string CProfile::GetProfileString(const std::string& section, const std::string& entry, const std::string& def)
{
    return m_store.GetString(m_root + "\\" + section, entry).value_or(def);
}

int CProfile::GetProfileInt(const std::string& section, const std::string& entry, int def)
{
    auto v = m_store.GetDword(m_root + "\\" + section, entry);
    return v ? static_cast<int>(*v) : def;
}

BOOL CProfile::WriteProfileString(const std::string& section, const std::string& entry, const std::string& value)
{
    return m_store.SetString(m_root + "\\" + section, entry, value) == ERROR_SUCCESS;
}

BOOL CProfile::WriteProfileInt(const std::string& section, const std::string& entry, int value)
{
    return m_store.SetDword(m_root + "\\" + section, entry, static_cast<DWORD>(value)) == ERROR_SUCCESS;
}
