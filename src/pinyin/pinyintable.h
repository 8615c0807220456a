#pragma once

#include <cstdint>

// The readings of Han characters, generated at build time from ICU's Han-Latin transliteration
// by pinyintablegen, so that the program needs no ICU when it runs.

// A reading without its tone: lower-case ASCII, with ü written "v"
struct PinyinSyllable {
    std::uint8_t length;
    char text[7];
};

// The readings of a run of code points, one entry per code point: 0 for none, else the position
// in kPinyinSyllables plus one
struct PinyinRange {
    char32_t first;
    char32_t last;
    const std::uint16_t *readings;
};

extern const PinyinSyllable kPinyinSyllables[];
extern const int kPinyinSyllableCount;
extern const PinyinRange kPinyinRanges[];
extern const int kPinyinRangeCount;
