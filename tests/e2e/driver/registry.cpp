// The settings key of the program under test:
// HKCU\Software\VB and VBA Program Settings\Vestrel\config.
#include "commands.h"

#include <sddl.h>

#include <cstring>

namespace e2e {
namespace {

constexpr wchar_t kAppKey[] = L"Software\\VB and VBA Program Settings\\Vestrel";
constexpr wchar_t kConfigKey[] = L"Software\\VB and VBA Program Settings\\Vestrel\\config";

class Key {
  public:
    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    HKEY get() const { return key_; }
    HKEY* out() { return &key_; }

  private:
    HKEY key_ = nullptr;
};

void Check(LSTATUS status, const std::string& what) {
    if (status != ERROR_SUCCESS) throw Failure(what + " failed", static_cast<DWORD>(status));
}

void CreateConfig(Key& key, REGSAM access) {
    Check(RegCreateKeyExW(HKEY_CURRENT_USER, kConfigKey, 0, nullptr, 0, access, nullptr, key.out(),
                          nullptr),
          "RegCreateKeyExW");
}

std::string TypeName(DWORD type) {
    switch (type) {
        case REG_SZ:
            return "REG_SZ";
        case REG_EXPAND_SZ:
            return "REG_EXPAND_SZ";
        case REG_MULTI_SZ:
            return "REG_MULTI_SZ";
        case REG_DWORD:
            return "REG_DWORD";
        case REG_QWORD:
            return "REG_QWORD";
        case REG_BINARY:
            return "REG_BINARY";
        default:
            return "type " + std::to_string(type);
    }
}

void SetString(const std::wstring& name, const std::wstring& text) {
    Key key;
    CreateConfig(key, KEY_SET_VALUE);
    const auto bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    Check(RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(text.c_str()), bytes),
          "RegSetValueExW");
    PrintLine(
        Json().Bool("set", true).Number("length", static_cast<std::int64_t>(text.size())).str());
}

// Opening the key for KEY_SET_VALUE is what every writer has to do first.
LSTATUS WriteAccess() {
    HKEY key = nullptr;
    const LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, kConfigKey, 0, KEY_SET_VALUE, &key);
    if (status == ERROR_SUCCESS) RegCloseKey(key);
    return status;
}

void SetDacl(const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor,
                                                              nullptr))
        FailWin32("ConvertStringSecurityDescriptorToSecurityDescriptorW");
    Key key;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, kConfigKey, 0, nullptr, 0, WRITE_DAC,
                                     nullptr, key.out(), nullptr);
    if (status == ERROR_SUCCESS)
        status = RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor);
    LocalFree(descriptor);
    Check(status, "RegSetKeySecurity");
}

}  // namespace

int RegGet(const Args& args) {
    Key key;
    const LSTATUS opened =
        RegOpenKeyExW(HKEY_CURRENT_USER, kConfigKey, 0, KEY_QUERY_VALUE, key.out());
    if (opened == ERROR_FILE_NOT_FOUND) {
        PrintLine(Json().Bool("missing", true).Bool("key_missing", true).str());
        return 0;
    }
    Check(opened, "RegOpenKeyExW");
    DWORD type = 0;
    DWORD size = 0;
    const LSTATUS queried =
        RegQueryValueExW(key.get(), args[0].c_str(), nullptr, &type, nullptr, &size);
    if (queried == ERROR_FILE_NOT_FOUND) {
        PrintLine(Json().Bool("missing", true).str());
        return 0;
    }
    Check(queried, "RegQueryValueExW");
    std::vector<BYTE> data(size + sizeof(wchar_t), 0);
    Check(RegQueryValueExW(key.get(), args[0].c_str(), nullptr, &type, data.data(), &size),
          "RegQueryValueExW");
    Json json;
    json.Utf8Text("type", TypeName(type));
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
        if (!text.empty() && text.back() == L'\0') text.pop_back();
        json.Text("value", text).Number("length", static_cast<std::int64_t>(text.size()));
    } else if (type == REG_DWORD && size == sizeof(DWORD)) {
        DWORD value = 0;
        std::memcpy(&value, data.data(), sizeof value);
        json.Number("value", value);
    } else {
        json.Number("size", size);
    }
    PrintLine(json.str());
    return 0;
}

int RegSet(const Args& args) {
    SetString(args[0], args[1]);
    return 0;
}

int RegSetLong(const Args& args) {
    const std::int64_t count = ParseInt(args[2]);
    if (args[1].size() != 1 || count < 0 || count > (64 << 20))
        throw Failure("reg-set-long takes one character and a count up to 64 Mi");
    SetString(args[0], std::wstring(static_cast<std::size_t>(count), args[1][0]));
    return 0;
}

int RegSetDword(const Args& args) {
    const auto value = static_cast<DWORD>(ParseInt(args[1]));
    Key key;
    CreateConfig(key, KEY_SET_VALUE);
    Check(RegSetValueExW(key.get(), args[0].c_str(), 0, REG_DWORD,
                         reinterpret_cast<const BYTE*>(&value), sizeof value),
          "RegSetValueExW");
    PrintLine(Json().Bool("set", true).str());
    return 0;
}

int RegDeleteValue(const Args& args) {
    const LSTATUS status = RegDeleteKeyValueW(HKEY_CURRENT_USER, kConfigKey, args[0].c_str());
    if (status != ERROR_FILE_NOT_FOUND) Check(status, "RegDeleteKeyValueW");
    PrintLine(Json().Bool("deleted", status == ERROR_SUCCESS).str());
    return 0;
}

// Deletes the application key with everything below it; a missing key is no error.
int RegDeleteKey(const Args&) {
    const LSTATUS status = RegDeleteTreeW(HKEY_CURRENT_USER, kAppKey);
    if (status != ERROR_FILE_NOT_FOUND) Check(status, "RegDeleteTreeW");
    Key gone;
    const bool exists =
        RegOpenKeyExW(HKEY_CURRENT_USER, kAppKey, 0, KEY_QUERY_VALUE, gone.out()) == ERROR_SUCCESS;
    PrintLine(Json().Bool("deleted", status == ERROR_SUCCESS).Bool("exists", exists).str());
    return exists ? 1 : 0;
}

// Everyone is denied KEY_SET_VALUE and KEY_CREATE_SUB_KEY on the config key (created if
// missing); reading stays allowed. "enforced" tells whether a writer is now refused.
int RegDenyWrite(const Args&) {
    SetDacl(L"D:(D;;0x6;;;WD)(A;;KA;;;WD)");
    const LSTATUS status = WriteAccess();
    PrintLine(
        Json().Bool("enforced", status == ERROR_ACCESS_DENIED).Number("open_status", status).str());
    return 0;
}

int RegAllowWrite(const Args&) {
    SetDacl(L"D:(A;;KA;;;WD)");
    const LSTATUS status = WriteAccess();
    PrintLine(Json().Bool("writable", status == ERROR_SUCCESS).Number("open_status", status).str());
    return status == ERROR_SUCCESS ? 0 : 1;
}

}  // namespace e2e
