#include "platform/secret_store.h"

#include <libsecret/secret.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace Platform {

namespace {

// Every name SecretAttributes may hold; the store files items by this schema.
const SecretSchema* shareSchema() {
    static const SecretSchema schema = {"org.zuredor.SharePassword",
                                        SECRET_SCHEMA_NONE,
                                        {
                                            {"host", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {"host-bytes", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {"group", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {"group-bytes", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {"share", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {"user", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {"letter", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                            {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING},
                                        },
                                        0,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr};
    return &schema;
}

// A call's answer, shared with the thread that makes it: the caller may stop
// waiting and leave, the thread finishes on its own and drops its share.
struct Call {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    SecretAnswer answer;
    GCancellable* cancellable = g_cancellable_new();
    ~Call() { g_object_unref(cancellable); }
};

SecretAnswer unavailable(GError* error) {
    SecretAnswer answer{SecretResult::Unavailable, {}, error != nullptr ? error->message : "the store gave no reason"};
    if (error != nullptr)
        g_error_free(error);
    return answer;
}

// Runs `work` on a thread of its own; a store that does not answer within
// `timeout` is told to cancel and reported unavailable.
SecretAnswer within(std::chrono::milliseconds timeout, std::function<SecretAnswer(GCancellable*)> work) {
    auto call = std::make_shared<Call>();
    std::thread([call, work = std::move(work)] {
        SecretAnswer answer = work(call->cancellable);
        const std::lock_guard lock(call->mutex);
        call->answer = std::move(answer);
        call->done = true;
        call->ended.notify_all();
    }).detach();
    std::unique_lock lock(call->mutex);
    if (call->ended.wait_for(lock, timeout, [&call] { return call->done; }))
        return call->answer;
    g_cancellable_cancel(call->cancellable);
    return {SecretResult::Unavailable,
            {},
            "the secret store did not answer within " + std::to_string(timeout.count() / 1000) + " s"};
}

// The attributes as libsecret takes them; the texts stay owned by the map.
GHashTable* attributeTable(const SecretAttributes& attributes) {
    GHashTable* table = g_hash_table_new(g_str_hash, g_str_equal);
    for (const auto& [name, value] : attributes)
        g_hash_table_insert(table, const_cast<char*>(name.c_str()), const_cast<char*>(value.c_str()));
    return table;
}

class LibsecretStore final : public SecretStore {
public:
    explicit LibsecretStore(std::chrono::milliseconds timeout) : m_timeout(timeout) {}

    SecretAnswer Store(const SecretAttributes& attributes, const std::string& label,
                       const std::string& secret) override {
        return within(m_timeout, [attributes, label, secret](GCancellable* cancellable) {
            GHashTable* table = attributeTable(attributes);
            GError* error = nullptr;
            const gboolean stored = secret_password_storev_sync(shareSchema(), table, SECRET_COLLECTION_DEFAULT,
                                                                label.c_str(), secret.c_str(), cancellable, &error);
            g_hash_table_unref(table);
            return stored ? SecretAnswer{SecretResult::Done, {}, {}} : unavailable(error);
        });
    }

    SecretAnswer Lookup(const SecretAttributes& attributes) override {
        return within(m_timeout, [attributes](GCancellable* cancellable) {
            GHashTable* table = attributeTable(attributes);
            GError* error = nullptr;
            gchar* found = secret_password_lookupv_sync(shareSchema(), table, cancellable, &error);
            g_hash_table_unref(table);
            if (error != nullptr)
                return unavailable(error);
            if (found == nullptr)
                return SecretAnswer{SecretResult::NotFound, {}, {}};
            SecretAnswer answer{SecretResult::Done, found, {}};
            secret_password_free(found);
            return answer;
        });
    }

    SecretAnswer Clear(const SecretAttributes& attributes) override {
        return within(m_timeout, [attributes](GCancellable* cancellable) {
            GHashTable* table = attributeTable(attributes);
            GError* error = nullptr;
            const gboolean cleared = secret_password_clearv_sync(shareSchema(), table, cancellable, &error);
            g_hash_table_unref(table);
            if (error != nullptr)
                return unavailable(error);
            return SecretAnswer{cleared ? SecretResult::Done : SecretResult::NotFound, {}, {}};
        });
    }

private:
    std::chrono::milliseconds m_timeout;
};

} // namespace

std::unique_ptr<SecretStore> systemSecretStore(std::chrono::milliseconds timeout) {
    return std::make_unique<LibsecretStore>(timeout);
}

} // namespace Platform
