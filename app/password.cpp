#include "app/password.h"

#include <crypt.h>
#include <sys/random.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace hearth {

namespace {

bool fill_random(void* buffer, std::size_t size)
{
    auto* bytes = static_cast<char*>(buffer);
    while (size > 0) {
        const ssize_t got = ::getrandom(bytes, size, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        bytes += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

} // namespace

Result<std::string> hash_password(std::string_view password)
{
    char entropy[32];
    if (!fill_random(entropy, sizeof entropy))
        return Result<std::string>::failure(std::string("no random data for a password salt: ") + std::strerror(errno));
    char salt[CRYPT_GENSALT_OUTPUT_SIZE];
    // A null prefix asks for the library's preferred hashing method.
    if (!crypt_gensalt_rn(nullptr, 0, entropy, sizeof entropy, salt, sizeof salt))
        return Result<std::string>::failure(std::string("cannot make a password salt: ") + std::strerror(errno));
    const std::string text(password);
    auto data = std::make_unique<crypt_data>();
    const char* hash = crypt_r(text.c_str(), salt, data.get());
    if (!hash || hash[0] == '*')
        return Result<std::string>::failure(std::string("cannot hash the password: ") + std::strerror(errno));
    return std::string(hash);
}

bool password_matches(std::string_view password, const std::string& hash)
{
    const std::string text(password);
    auto data = std::make_unique<crypt_data>();
    const char* again = crypt_r(text.c_str(), hash.c_str(), data.get());
    return again && again[0] != '*' && hash == again;
}

Result<std::string> random_password(std::size_t length)
{
    static constexpr std::string_view alphabet = "abcdefghijkmnpqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789";
    std::string password;
    while (password.size() < length) {
        unsigned char byte = 0;
        if (!fill_random(&byte, 1))
            return Result<std::string>::failure(std::string("no random data for a password: ") + std::strerror(errno));
        // Bytes past the last whole multiple of the alphabet's size would favour its first letters.
        if (byte < 256 / alphabet.size() * alphabet.size())
            password += alphabet[byte % alphabet.size()];
    }
    return password;
}

} // namespace hearth
