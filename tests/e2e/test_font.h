// TrueType fonts of the suite's own making, so that the about box can be
// tried with dialog fonts whose metrics no machine changes: installed in
// the Wine prefix under the family name of the box's font, they stand in
// for it in every program started afterwards.
//
// A font maps the printable ASCII characters (0x20 to 0x7E) to plain
// rectangles, every one `advance` units wide; the em is 1000 units. The
// line is `ascent` + `descent` units high (the Windows ascent and descent,
// from which a text's height and so a dialog's vertical unit follow). A
// character's width gives the horizontal unit. It is Latin 1 (code page
// 1252), regular weight, proportional.
#pragma once

#include <cstdint>
#include <string>

struct TestFontMetrics {
    uint16_t advance;  // of every character, in units of 1/1000 em
    uint16_t ascent;
    uint16_t descent;
};

// The bytes of a TrueType font file of family `family` with `metrics`.
std::string MakeTestFont(const std::string& family, const TestFontMetrics& metrics);
