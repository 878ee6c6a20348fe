#pragma once

#include "platform/secret_store.h"

#include <vector>

namespace Platform {

// A secret store for tests: secrets in a table, or no store at all.
class FakeSecretStore final : public SecretStore {
public:
    // Off: every call is Unavailable, as with no Secret Service running.
    bool available = true;
    std::map<SecretAttributes, std::string> secrets;

    SecretAnswer Store(const SecretAttributes& attributes, const std::string& label,
                       const std::string& secret) override;
    SecretAnswer Lookup(const SecretAttributes& attributes) override;
    SecretAnswer Clear(const SecretAttributes& attributes) override;
};

} // namespace Platform
