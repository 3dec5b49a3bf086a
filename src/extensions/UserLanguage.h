#pragma once

#include <cstdint>
#include <string>

namespace vexoExtensions {

// Language identifiers in the version resource's form: primary language in the
// low 10 bits, sublanguage (territory) above, so 0x0407 is German (Germany).

// "de_DE.UTF-8", "en_GB", "fr", "C": the identifier for a POSIX locale name.
// Unknown languages and the C/POSIX locale give English (United States), 0x0409.
uint16_t LanguageIdFromLocale(const std::string& locale);

// The user's language from LC_ALL, LC_MESSAGES or LANG, the first one set.
uint16_t GetUserDefaultLanguage();

} // namespace vexoExtensions
