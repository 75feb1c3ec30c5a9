// SPDX-License-Identifier: MIT
// Database keys. SQLCipher 3.4 turns a passphrase into the page key with
// PBKDF2-HMAC-SHA1, 64,000 rounds, salted with the first 16 bytes of the file.
// That costs tens of milliseconds, and the program opens and closes a model
// file in nearly every action, so we run the derivation ourselves, keep the
// result per (salt, passphrase), and always hand SQLCipher the raw key with its
// salt ("x'<key><salt>'"), which skips its own derivation. Every file this
// program creates gets one fixed salt, so the model files made over any
// number of runs cost one derivation per process between them: the catalog
// reads hundreds of them at once. The passphrase of a model file is public,
// so a salt drawn per file would protect nothing. SQLCipher writes the salt
// from the raw key into the new file, and the stock shell still opens it
// with the passphrase. Files made elsewhere, with salts of their own, cost
// one derivation each, once.
#include "platform/database.h"
#include "platform/database_internal.h"

#include <sqlcipher/sqlite3.h>

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <algorithm>
#include <atomic>
#include <future>
#include <map>
#include <mutex>
#include <system_error>

namespace arbolith {
namespace db_detail {

SecretText::~SecretText()
{
    OPENSSL_cleanse(m_text.data(), m_text.size());
}

// SQLCipher's raw-key form with the salt appended: x'<64 hex><32 hex>'.
SecretText RawKeyText(const KeyBytes& key, const SaltBytes& salt)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(3 + 2 * (kKeyBytes + kSaltBytes));
    text += "x'";
    for (unsigned char b : key) {
        text += kDigits[b >> 4];
        text += kDigits[b & 15];
    }
    for (unsigned char b : salt) {
        text += kDigits[b >> 4];
        text += kDigits[b & 15];
    }
    text += '\'';
    return SecretText(std::move(text));
}

namespace {

// The process-wide key cache. Entries are keyed by salt bytes followed by the
// passphrase, so two passphrases for one file never share an entry.
class KeyCache {
public:
    ~KeyCache() { Clear(); }

    std::optional<KeyBytes> Find(const SaltBytes& salt, std::string_view passphrase)
    {
        const std::string id = Id(salt, passphrase);
        std::lock_guard lock(m_mutex);
        const auto it = m_keys.find(id);
        if (it == m_keys.end()) return std::nullopt;
        return it->second;
    }

    void Remember(const SaltBytes& salt, std::string_view passphrase, const KeyBytes& key)
    {
        std::string id = Id(salt, passphrase);
        std::lock_guard lock(m_mutex);
        m_keys.emplace(std::move(id), key);
    }

    void Clear()
    {
        std::lock_guard lock(m_mutex);
        for (auto& [id, key] : m_keys) {
            OPENSSL_cleanse(const_cast<char*>(id.data()), id.size());
            OPENSSL_cleanse(key.data(), key.size());
        }
        m_keys.clear();
        DropAhead();
    }

    // Starts deriving the key for (salt, passphrase) on a thread of its own,
    // unless it is known or already under way. One at a time: a request for
    // another passphrase while one runs is left to be derived when needed.
    void StartAhead(const SaltBytes& salt, std::string_view passphrase)
    {
        std::string id = Id(salt, passphrase);
        std::lock_guard lock(m_mutex);
        if (m_ahead.valid() || m_keys.count(id)) {
            OPENSSL_cleanse(id.data(), id.size());
            return;
        }
        try {
            m_ahead = std::async(std::launch::async, [salt, secret = SecretText(std::string(passphrase))] {
                return DeriveKey(secret.text(), salt);
            });
            m_aheadId = std::move(id);
        } catch (const std::system_error&) {
            // No thread to be had: the key is derived when it is needed.
            OPENSSL_cleanse(id.data(), id.size());
        }
    }

    // The result of the derivation started ahead for (salt, passphrase),
    // waited for; nullopt when none was started for them.
    std::optional<Result<KeyBytes>> TakeAhead(const SaltBytes& salt, std::string_view passphrase)
    {
        const std::string id = Id(salt, passphrase);
        std::unique_lock lock(m_mutex);
        if (!m_ahead.valid() || m_aheadId != id) return std::nullopt;
        std::future<Result<KeyBytes>> ahead = std::move(m_ahead);
        OPENSSL_cleanse(m_aheadId.data(), m_aheadId.size());
        m_aheadId.clear();
        lock.unlock();
        return ahead.get();
    }

    // The salt every file this program creates gets: the 16 bytes of
    // "Arbolith models." (any fixed bytes would do; these read well in a
    // hex dump of a file's first line).
    static SaltBytes CreationSalt()
    {
        static constexpr char kText[] = "Arbolith models.";
        static_assert(sizeof kText - 1 == kSaltBytes);
        SaltBytes salt{};
        std::copy_n(kText, kSaltBytes, salt.begin());
        return salt;
    }

    std::atomic<std::uint64_t> derivations{0};

private:
    static std::string Id(const SaltBytes& salt, std::string_view passphrase)
    {
        std::string id(reinterpret_cast<const char*>(salt.data()), salt.size());
        id += passphrase;
        return id;
    }

    // Waits for a derivation under way and forgets it. Called with the lock held.
    void DropAhead()
    {
        if (m_ahead.valid()) {
            auto key = m_ahead.get();
            if (key) OPENSSL_cleanse(key->data(), key->size());
        }
        OPENSSL_cleanse(m_aheadId.data(), m_aheadId.size());
        m_aheadId.clear();
    }

    std::mutex m_mutex;
    std::map<std::string, KeyBytes> m_keys;
    std::future<Result<KeyBytes>> m_ahead;  // a derivation started before it was needed
    std::string m_aheadId;
};

KeyCache& Keys()
{
    // OpenSSL is set up (and its clean-up registered to run at exit) before
    // the cache is made, so that at exit the cache, which waits for a
    // derivation still under way, goes before OpenSSL's own clean-up (exit
    // handlers run in reverse order). An empty option set would do nothing.
    static const bool openSslReady = OPENSSL_init_crypto(OPENSSL_INIT_ADD_ALL_DIGESTS, nullptr) == 1;
    static KeyCache cache;
    (void)openSslReady;
    return cache;
}

}  // namespace

std::optional<KeyBytes> FindCachedKey(const SaltBytes& salt, std::string_view passphrase)
{
    return Keys().Find(salt, passphrase);
}

void RememberKey(const SaltBytes& salt, std::string_view passphrase, const KeyBytes& key)
{
    Keys().Remember(salt, passphrase, key);
}

// Runs outside the cache's lock: a derivation for one file must not stall
// threads opening others.
Result<KeyBytes> DeriveKey(std::string_view passphrase, const SaltBytes& salt)
{
    KeyBytes key{};
    if (PKCS5_PBKDF2_HMAC_SHA1(passphrase.data(), static_cast<int>(passphrase.size()), salt.data(),
                               static_cast<int>(salt.size()), kKdfIterations, static_cast<int>(key.size()),
                               key.data()) != 1)
        return Error::Database(SQLITE_ERROR, "key derivation failed");
    Keys().derivations.fetch_add(1, std::memory_order_relaxed);
    return key;
}

// The raw key for files this process creates with that passphrase. It is
// right by construction, so it goes into the cache at once.
Result<SecretText> CreationKeyText(std::string_view passphrase)
{
    const SaltBytes salt = KeyCache::CreationSalt();
    if (auto cached = Keys().Find(salt, passphrase)) return RawKeyText(*cached, salt);
    auto ahead = Keys().TakeAhead(salt, passphrase);
    auto key = ahead ? std::move(*ahead) : DeriveKey(passphrase, salt);
    if (!key) return key.error();
    Keys().Remember(salt, passphrase, *key);
    return RawKeyText(*key, salt);
}

}  // namespace db_detail

void PrepareCreationKey(std::string_view passphrase)
{
    if (passphrase.empty()) return;
    db_detail::Keys().StartAhead(db_detail::KeyCache::CreationSalt(), passphrase);
}

std::uint64_t DatabaseKeyDerivations()
{
    return db_detail::Keys().derivations.load(std::memory_order_relaxed);
}

void ForgetDatabaseKeys()
{
    db_detail::Keys().Clear();
}

}  // namespace arbolith
