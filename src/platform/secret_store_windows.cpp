#include "platform/secret_store.h"

// windows.h first: wincred.h uses its types without including it.
#include <windows.h>

#include <wincred.h>

#include <string>

namespace Platform {

namespace {

std::wstring wide(const std::string& utf8) {
    if (utf8.empty())
        return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), length);
    return text;
}

// "%", ";" and "=" of a value are escaped, so that one set of names makes one target and no other.
std::string escaped(const std::string& value) {
    std::string out;
    for (const char c : value) {
        if (c == '%' || c == ';' || c == '=') {
            static const char digits[] = "0123456789ABCDEF";
            out += '%';
            out += digits[(static_cast<unsigned char>(c) >> 4) & 0xF];
            out += digits[static_cast<unsigned char>(c) & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

// The Credential Manager files a generic credential under one name: the
// attributes, in their (sorted) order, make it.
std::wstring targetName(const SecretAttributes& attributes) {
    std::string name = "zuredor share password";
    for (const auto& [key, value] : attributes)
        name += ";" + key + "=" + escaped(value);
    return wide(name);
}

SecretAnswer failed() {
    return {SecretResult::Unavailable, {}, "Credential Manager error " + std::to_string(GetLastError())};
}

// Its calls are local and answer at once: the time-out has nothing to bound.
class CredentialManagerStore final : public SecretStore {
public:
    SecretAnswer Store(const SecretAttributes& attributes, const std::string& label,
                       const std::string& secret) override {
        std::wstring target = targetName(attributes);
        std::wstring comment = wide(label);
        CREDENTIALW credential;
        ZeroMemory(&credential, sizeof credential);
        credential.Type = CRED_TYPE_GENERIC;
        credential.TargetName = target.data();
        credential.Comment = comment.data();
        credential.CredentialBlobSize = static_cast<DWORD>(secret.size());
        credential.CredentialBlob = reinterpret_cast<LPBYTE>(const_cast<char*>(secret.data()));
        credential.Persist = CRED_PERSIST_LOCAL_MACHINE;
        if (!CredWriteW(&credential, 0))
            return failed();
        return {SecretResult::Done, {}, {}};
    }

    SecretAnswer Lookup(const SecretAttributes& attributes) override {
        const std::wstring target = targetName(attributes);
        PCREDENTIALW credential = nullptr;
        if (!CredReadW(target.c_str(), CRED_TYPE_GENERIC, 0, &credential))
            return GetLastError() == ERROR_NOT_FOUND ? SecretAnswer{SecretResult::NotFound, {}, {}} : failed();
        SecretAnswer answer{
            SecretResult::Done,
            std::string(reinterpret_cast<const char*>(credential->CredentialBlob), credential->CredentialBlobSize),
            {}};
        CredFree(credential);
        return answer;
    }

    SecretAnswer Clear(const SecretAttributes& attributes) override {
        const std::wstring target = targetName(attributes);
        if (!CredDeleteW(target.c_str(), CRED_TYPE_GENERIC, 0))
            return GetLastError() == ERROR_NOT_FOUND ? SecretAnswer{SecretResult::NotFound, {}, {}} : failed();
        return {SecretResult::Done, {}, {}};
    }
};

} // namespace

std::unique_ptr<SecretStore> systemSecretStore(std::chrono::milliseconds) {
    return std::make_unique<CredentialManagerStore>();
}

} // namespace Platform
