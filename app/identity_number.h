#pragma once
// Resident identity numbers (GB 11643): 6 digits of the place of registration, 8 of the birth
// date (YYYYMMDD), 3 of a sequence whose last digit is odd for men, and a check character
// computed from the first 17 digits (mod 11 of their weighted sum, "X" standing for 10).

#include <optional>
#include <string_view>

namespace hearth {

// The check character ('0' to '9' or 'X') of an identity number from its first 17 digits.
char id_check_digit(std::string_view first17);

// What is wrong with an identity number.
enum class IdNumberFault : unsigned char {
    Form,       // not 17 digits followed by a digit or "X"
    BirthDate,  // the 8 digits of the birth date are no date
    CheckDigit, // the last character is not the check character of the first 17
};

// The fault of an 18-character identity number; nullopt when it is sound. A lower-case "x"
// is taken for "X".
std::optional<IdNumberFault> check_id_number(std::string_view number);

} // namespace hearth
