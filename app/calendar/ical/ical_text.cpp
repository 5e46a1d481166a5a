// Texts of iCalendar files (UTF-8) in the font's characters, as FontText promises.
#include <cstdint>
#include <string>

#include "app/calendar/ical/ical_import.h"

namespace {

// Base letters of U+00C0 to U+00FF and of U+0100 to U+017F; '?' where the letter is
// not an accented Latin letter (a ligature, a sign, thorn, eth, sharp s).
const char kLatin1[] = "AAAAAA?CEEEEIIII?NOOOOO?OUUUUY??aaaaaa?ceeeeiiii?nooooo?ouuuuy?y";
const char kLatinA[] =
    "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIi??JjKk?LlLlLlLlLlNnNnNn???OoOo"
    "Oo??RrRrRrSsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZz?";

// Grave and acute vowels of U+00C0 to U+00FF, the accents Italian writes.
bool ItalianAccent(uint32_t cp) {
    switch (cp & ~0x20u) {
    case 0xC0: case 0xC1: case 0xC8: case 0xC9: case 0xCC: case 0xCD:
    case 0xD2: case 0xD3: case 0xD9: case 0xDA:
        return true;
    default:
        return false;
    }
}

bool Vowel(char c) {
    switch (c) {
    case 'a': case 'e': case 'i': case 'o': case 'u':
    case 'A': case 'E': case 'I': case 'O': case 'U':
        return true;
    default:
        return false;
    }
}

// Decodes the code point at `i`, moving `i` past it; a byte that starts no valid UTF-8
// sequence (stray, overlong, surrogate, past U+10FFFF or cut short) reads as one
// replacement, U+FFFD.
uint32_t NextCodePoint(const std::string& s, size_t& i) {
    const unsigned char b = static_cast<unsigned char>(s[i++]);
    if (b < 0x80) return b;
    const int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC2 ? 1 : 0;
    if (extra == 0 || b > 0xF4 || i + extra > s.size()) return 0xFFFD;
    uint32_t cp = b & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        const unsigned char c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80) return 0xFFFD;
        cp = cp << 6 | (c & 0x3F);
    }
    static const uint32_t kSmallest[4] = {0, 0x80, 0x800, 0x10000};
    if (cp < kSmallest[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0xFFFD;
    i += extra;
    return cp;
}

}  // namespace

std::string FontText(const std::string& utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        const uint32_t cp = NextCodePoint(utf8, i);
        if (cp >= 32 && cp < 127) {
            out += static_cast<char>(cp);
        } else if (cp == '\t' || cp == '\n' || cp == '\r' || cp == 0xA0) {
            out += ' ';
        } else if (cp >= 0xC0 && cp <= 0xFF) {
            out += kLatin1[cp - 0xC0];
            if (ItalianAccent(cp)) out += '\'';
        } else if (cp >= 0x100 && cp <= 0x17F) {
            out += kLatinA[cp - 0x100];
        } else if (cp == 0x300 || cp == 0x301) {
            // A combining grave or acute (text in decomposed form): as the precomposed vowel.
            if (!out.empty() && Vowel(out.back())) out += '\'';
        } else if (cp > 0x301 && cp <= 0x36F) {
            // Other combining accents are dropped.
        } else if (cp == 0x2018 || cp == 0x2019) {
            out += '\'';
        } else if (cp == 0x201C || cp == 0x201D || cp == 0xAB || cp == 0xBB) {
            out += '"';
        } else if (cp == 0x2013 || cp == 0x2014) {
            out += '-';
        } else if (cp == 0x2026) {
            out += "...";
        } else {
            out += '?';
        }
    }
    return out;
}
