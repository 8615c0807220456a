#pragma once

#include <QLatin1StringView>

namespace Pinyin {

// The reading of a Han character as ICU's Han-Latin gives it, without its tone: lower-case ASCII,
// ü written "v" ("夜" → "ye", "绿" → "lv"). A character with several readings has ICU's one.
// Empty for any other character and for a Han character that ICU has no reading for.
QLatin1StringView syllable(char32_t codePoint);

} // namespace Pinyin
