#include "platform/fake_secret_store.h"

namespace Platform {

namespace {

const SecretAnswer kNoStore{SecretResult::Unavailable, {}, "no secret store"};

} // namespace

SecretAnswer FakeSecretStore::Store(const SecretAttributes& attributes, const std::string&, const std::string& secret) {
    if (!available)
        return kNoStore;
    secrets[attributes] = secret;
    return {SecretResult::Done, {}, {}};
}

SecretAnswer FakeSecretStore::Lookup(const SecretAttributes& attributes) {
    if (!available)
        return kNoStore;
    const auto found = secrets.find(attributes);
    if (found == secrets.end())
        return {SecretResult::NotFound, {}, {}};
    return {SecretResult::Done, found->second, {}};
}

SecretAnswer FakeSecretStore::Clear(const SecretAttributes& attributes) {
    if (!available)
        return kNoStore;
    return {secrets.erase(attributes) > 0 ? SecretResult::Done : SecretResult::NotFound, {}, {}};
}

} // namespace Platform
