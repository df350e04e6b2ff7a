#pragma once
// Passwords are kept only as salted hashes made by the system's password-hashing library.

#include "host/value/result.h"

#include <string>
#include <string_view>

namespace hearth {

// A salted hash of `password` in the library's preferred method; fails when the system's
// random source or the hashing library refuses.
Result<std::string> hash_password(std::string_view password);

// Whether `password` is the one `hash` was made from.
bool password_matches(std::string_view password, const std::string& hash);

// A random password of `length` letters and digits, from the system's random source.
Result<std::string> random_password(std::size_t length);

} // namespace hearth
