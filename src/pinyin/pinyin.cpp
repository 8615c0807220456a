#include "pinyin.h"

#include "pinyintable.h"

namespace Pinyin {

QLatin1StringView syllable(char32_t codePoint)
{
    for (int i = 0; i < kPinyinRangeCount; ++i) {
        const PinyinRange &range = kPinyinRanges[i];
        if (codePoint < range.first || codePoint > range.last)
            continue;
        const int number = range.readings[codePoint - range.first];
        if (number == 0)
            return {};
        const PinyinSyllable &found = kPinyinSyllables[number - 1];
        return QLatin1StringView(found.text, found.length);
    }
    return {};
}

} // namespace Pinyin
