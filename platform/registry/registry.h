// The per-user registry store: hierarchical keys holding string values and
// 32-bit number values, below HKEY_CURRENT_USER.  Class registrations live
// under "Software\Classes" as on a per-user Windows registry.
//
// The store is a readable text file in the .reg style:
//
//   [HKEY_CURRENT_USER\Software\VELMORA\Ardo サウンドレコーダー\PCSndSettings]
//   "DevName"=""
//   "Sample"=dword:0000ac44
//
// It lives at $QX_REGISTRY when that is set, else at
// $XDG_CONFIG_HOME/velmora/registry.reg (~/.config when XDG_CONFIG_HOME is
// unset).  Every change re-reads the file under an exclusive lock, applies
// itself and replaces the file atomically (temporary file + rename), so
// processes writing at the same time lose nothing.  A file that cannot be
// parsed is moved aside (".damaged" suffix), reported on standard error and
// replaced by an empty store.
//
// Key and value names compare without regard to ASCII case, as on Windows.
// All operations are thread-safe.
#pragma once

#include "core/wintypes.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class RegistryStore {
public:
    // The store of the current user, at the location described above as the
    // environment names it at the time of the call.
    static RegistryStore& User();
    static std::string DefaultPath();

    explicit RegistryStore(std::string path);
    ~RegistryStore();
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    const std::string& Path() const { return m_path; }

    // Key paths are relative to HKEY_CURRENT_USER, parts separated by '\'.
    std::optional<std::string> GetString(const std::string& key, const std::string& name);
    std::optional<DWORD> GetDword(const std::string& key, const std::string& name);
    bool KeyExists(const std::string& key);
    std::vector<std::string> SubKeys(const std::string& key);

    // Results are Win32 error codes (ERROR_SUCCESS on success).
    DWORD SetString(const std::string& key, const std::string& name, const std::string& value);
    DWORD SetDword(const std::string& key, const std::string& name, DWORD value);
    DWORD CreateKey(const std::string& key);
    DWORD DeleteValue(const std::string& key, const std::string& name);
    DWORD DeleteKey(const std::string& key); // with all its sub-keys

    struct Data;

private:
    template <class Fn> DWORD Modify(Fn&& change);
    // The data as on disk now; the caller holds m_mutex.
    const Data& Current(bool writerLockHeld = false);

    std::string m_path;
    std::mutex m_mutex;
    std::unique_ptr<Data> m_data;
};

// The profile functions of an application: sections below
// "Software\<company>\<application>", as set by SetRegistryKey.
class CProfile {
public:
    CProfile(RegistryStore& store, const std::string& company, const std::string& application);

    const std::string& RootKey() const { return m_root; }

    std::string GetProfileString(const std::string& section, const std::string& entry, const std::string& def = "");
    int GetProfileInt(const std::string& section, const std::string& entry, int def);
    BOOL WriteProfileString(const std::string& section, const std::string& entry, const std::string& value);
    BOOL WriteProfileInt(const std::string& section, const std::string& entry, int value);

private:
    RegistryStore& m_store;
    std::string m_root;
};
