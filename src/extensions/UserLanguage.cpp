#include "extensions/UserLanguage.h"

#include <cstdlib>
#include <cstring>

namespace vexoExtensions {

namespace {

constexpr uint16_t kEnglishUS = 0x0409;

struct Primary
{
    const char* code;
    uint16_t id;
};

// ISO 639-1 code -> primary language identifier.
// clang-format off
constexpr Primary kPrimaries[] = {
    {"ar", 0x01}, {"bg", 0x02}, {"ca", 0x03}, {"zh", 0x04}, {"cs", 0x05}, {"da", 0x06}, {"de", 0x07},
    {"el", 0x08}, {"en", 0x09}, {"es", 0x0A}, {"fi", 0x0B}, {"fr", 0x0C}, {"he", 0x0D}, {"hu", 0x0E},
    {"is", 0x0F}, {"it", 0x10}, {"ja", 0x11}, {"ko", 0x12}, {"nl", 0x13}, {"nb", 0x14}, {"no", 0x14},
    {"pl", 0x15}, {"pt", 0x16}, {"ro", 0x18}, {"ru", 0x19}, {"hr", 0x1A}, {"sk", 0x1B}, {"sv", 0x1D},
    {"th", 0x1E}, {"tr", 0x1F}, {"uk", 0x22}, {"sl", 0x24}, {"et", 0x25}, {"lv", 0x26}, {"lt", 0x27},
};
// clang-format on

struct Regional
{
    const char* name;
    uint16_t id;
};

// Territories whose identifier is not the primary language's default (sublanguage 1).
// clang-format off
constexpr Regional kRegionals[] = {
    {"de_CH", 0x0807}, {"de_AT", 0x0C07}, {"de_LU", 0x1007}, {"de_LI", 0x1407}, {"en_GB", 0x0809},
    {"en_AU", 0x0C09}, {"en_CA", 0x1009}, {"en_NZ", 0x1409}, {"en_IE", 0x1809}, {"es_MX", 0x080A},
    {"es_ES", 0x0C0A}, {"fr_BE", 0x080C}, {"fr_CA", 0x0C0C}, {"fr_CH", 0x100C}, {"fr_LU", 0x140C},
    {"it_CH", 0x0810}, {"nl_BE", 0x0813}, {"pt_PT", 0x0816}, {"sv_FI", 0x081D}, {"zh_CN", 0x0804},
    {"zh_HK", 0x0C04}, {"zh_SG", 0x1004}, {"zh_TW", 0x0404},
};
// clang-format on

} // namespace

uint16_t LanguageIdFromLocale(const std::string& locale)
{
    // Drop ".codeset" and "@modifier".
    const std::string name = locale.substr(0, locale.find_first_of(".@"));
    const std::string language = name.substr(0, name.find('_'));
    for (const Regional& r : kRegionals) {
        if (name == r.name)
            return r.id;
    }
    for (const Primary& p : kPrimaries) {
        if (language == p.code)
            return static_cast<uint16_t>(0x0400 | p.id);
    }
    return kEnglishUS;
}

uint16_t GetUserDefaultLanguage()
{
    for (const char* variable : { "LC_ALL", "LC_MESSAGES", "LANG" }) {
        const char* value = std::getenv(variable);
        if (value && *value)
            return LanguageIdFromLocale(value);
    }
    return kEnglishUS;
}

} // namespace vexoExtensions
