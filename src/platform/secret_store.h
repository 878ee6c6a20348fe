#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <string>

// Plain standard C++ only: the Windows implementation is compiled without Qt.
namespace Platform {

// The names a share password is filed under, as UTF-8 texts. The store knows
// these names only: "host", "host-bytes", "group", "group-bytes", "share",
// "user", "letter" (a unit's name is "host" when it is text, else its bytes
// in hexadecimal under "host-bytes", so the two can never be mistaken).
using SecretAttributes = std::map<std::string, std::string>;

enum class SecretResult {
    Done,        // stored, found or cleared
    NotFound,    // nothing is filed under those names
    Unavailable, // no store answers: none runs, it refused, or it did not answer in time
};

struct SecretAnswer {
    SecretResult result = SecretResult::Unavailable;
    std::string secret; // what Lookup found
    std::string detail; // the store's own words when it is unavailable
};

// The desktop's store of secrets, for the logged-in user. Every call gives up
// after the store's time-out, so a store that hangs cannot hang the program.
class SecretStore {
public:
    virtual ~SecretStore() = default;

    // Files `secret` under exactly these names, replacing what was there; `label` is what a keyring shows.
    virtual SecretAnswer Store(const SecretAttributes& attributes, const std::string& label,
                               const std::string& secret) = 0;
    virtual SecretAnswer Lookup(const SecretAttributes& attributes) = 0;
    // Removes what is filed under these names; NotFound when there was nothing.
    virtual SecretAnswer Clear(const SecretAttributes& attributes) = 0;
};

// How long the system's store may take to answer one call. Unlocking a keyring
// may ask the person for its password, which takes a while.
inline constexpr std::chrono::milliseconds kSecretStoreTimeout{20000};

// The store of the system this was built for: the Secret Service (libsecret)
// on Linux, the Credential Manager on Windows.
std::unique_ptr<SecretStore> systemSecretStore(std::chrono::milliseconds timeout = kSecretStoreTimeout);

} // namespace Platform
