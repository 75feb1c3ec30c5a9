// SPDX-License-Identifier: MIT
// What the parts of the database engine share among themselves: key
// material and its cache, and the write-coalescing file layer. Not for use
// outside src/platform/database*.cpp.
#pragma once

#include "platform/result.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace arbolith::db_detail {

// SQLCipher 3.x defaults; the stock shell and library open our files with these.
inline constexpr int kKdfIterations = 64000;
inline constexpr std::size_t kKeyBytes = 32;
inline constexpr std::size_t kSaltBytes = 16;

using KeyBytes = std::array<unsigned char, kKeyBytes>;
using SaltBytes = std::array<unsigned char, kSaltBytes>;

// Text that holds key material: wiped when it goes away.
class SecretText {
public:
    SecretText() = default;
    explicit SecretText(std::string text) : m_text(std::move(text)) {}
    SecretText(SecretText&& other) noexcept : m_text(std::exchange(other.m_text, std::string())) {}
    SecretText& operator=(SecretText&&) = delete;
    SecretText(const SecretText&) = delete;
    SecretText& operator=(const SecretText&) = delete;
    ~SecretText();
    const std::string& text() const { return m_text; }

private:
    std::string m_text;
};

// SQLCipher's raw-key form with the salt appended: x'<64 hex><32 hex>'.
SecretText RawKeyText(const KeyBytes& key, const SaltBytes& salt);

// The process-wide cache of derived keys, by salt and passphrase.
std::optional<KeyBytes> FindCachedKey(const SaltBytes& salt, std::string_view passphrase);
void RememberKey(const SaltBytes& salt, std::string_view passphrase, const KeyBytes& key);

// PBKDF2 as SQLCipher runs it; counted for DatabaseKeyDerivations().
Result<KeyBytes> DeriveKey(std::string_view passphrase, const SaltBytes& salt);

// The raw key for files this process creates with that passphrase: one
// random salt per process, so creating any number of files costs one
// derivation.
Result<SecretText> CreationKeyText(std::string_view passphrase);

// The name of the write-coalescing VFS, registered on first use; null when
// it could not be set up (SQLite's default VFS is used then).
const char* CoalescingVfsName();

}  // namespace arbolith::db_detail
