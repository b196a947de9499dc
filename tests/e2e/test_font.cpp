#include "tests/e2e/test_font.h"

#include <vector>

namespace {

constexpr uint16_t kUnitsPerEm = 1000;
constexpr uint16_t kFirstChar = 0x20;
constexpr uint16_t kLastChar = 0x7E;
// .notdef, then one glyph per character.
constexpr uint16_t kGlyphCount = 1 + kLastChar - kFirstChar + 1;

// Big-endian writers: every number in a TrueType file is big-endian.
void Put16(std::string* out, uint32_t value)
{
    out->push_back((char)(value >> 8 & 0xFF));
    out->push_back((char)(value & 0xFF));
}

void Put32(std::string* out, uint32_t value)
{
    Put16(out, value >> 16);
    Put16(out, value & 0xFFFF);
}

uint32_t TableChecksum(const std::string& bytes)
{
    uint32_t sum = 0;
    for (size_t at = 0; at < bytes.size(); at += 4) {
        uint32_t word = 0;
        for (size_t i = 0; i < 4; ++i)
            word = word << 8 | (at + i < bytes.size() ? (uint8_t)bytes[at + i] : 0u);
        sum += word;
    }
    return sum;
}

// A rectangle from (left, 0) to (right, top), or nothing for the space.
std::string Glyph(int16_t left, int16_t right, int16_t top)
{
    std::string glyph;
    Put16(&glyph, 1);  // one contour
    Put16(&glyph, (uint16_t)left);
    Put16(&glyph, 0);
    Put16(&glyph, (uint16_t)right);
    Put16(&glyph, (uint16_t)top);
    Put16(&glyph, 3);  // its last point
    Put16(&glyph, 0);  // no instructions
    for (int i = 0; i < 4; ++i) glyph.push_back(0x01);  // on the curve, 16-bit deltas
    const int16_t xs[4] = {left, left, right, right}, ys[4] = {0, top, top, 0};
    int16_t x = 0, y = 0;
    for (int16_t next : xs) {
        Put16(&glyph, (uint16_t)(int16_t)(next - x));
        x = next;
    }
    for (int16_t next : ys) {
        Put16(&glyph, (uint16_t)(int16_t)(next - y));
        y = next;
    }
    return glyph;  // 34 bytes: even, as the short glyph offsets need
}

std::string NameTable(const std::string& family)
{
    const std::string names[] = {family, "Regular", family + " test", family, "Version 1.0", "OnduliteTestFont"};
    const uint16_t ids[] = {1, 2, 3, 4, 5, 6};
    std::string table, strings;
    Put16(&table, 0);
    Put16(&table, 6);
    Put16(&table, 6 + 6 * 12);
    for (int i = 0; i < 6; ++i) {
        std::string utf16;
        for (char c : names[i]) Put16(&utf16, (uint8_t)c);
        Put16(&table, 3);       // Microsoft
        Put16(&table, 1);       // Unicode BMP
        Put16(&table, 0x0409);  // English (United States)
        Put16(&table, ids[i]);
        Put16(&table, (uint16_t)utf16.size());
        Put16(&table, (uint16_t)strings.size());
        strings += utf16;
    }
    return table + strings;
}

}  // namespace

std::string MakeTestFont(const std::string& family, const TestFontMetrics& m)
{
    const int16_t inset = (int16_t)(m.advance / 10), top = (int16_t)(m.ascent * 7 / 10);
    const int16_t right = (int16_t)(m.advance - inset);

    std::string glyf, loca, hmtx;
    for (uint16_t g = 0; g < kGlyphCount; ++g) {
        Put16(&loca, (uint16_t)(glyf.size() / 2));
        if (g != 1) glyf += Glyph(inset, right, top);  // glyph 1 is the space
        Put16(&hmtx, m.advance);
        Put16(&hmtx, g != 1 ? (uint16_t)inset : 0);
    }
    Put16(&loca, (uint16_t)(glyf.size() / 2));

    std::string head;
    Put32(&head, 0x00010000);
    Put32(&head, 0x00010000);  // font revision
    Put32(&head, 0);           // checksum adjustment, set last
    Put32(&head, 0x5F0F3CF5);
    Put16(&head, 0x000B);  // baseline at 0, integer scaling
    Put16(&head, kUnitsPerEm);
    for (int i = 0; i < 4; ++i) Put32(&head, 0);  // created, modified
    Put16(&head, (uint16_t)inset);
    Put16(&head, 0);
    Put16(&head, (uint16_t)right);
    Put16(&head, (uint16_t)top);
    Put16(&head, 0);  // regular
    Put16(&head, 8);  // smallest readable size
    Put16(&head, 2);
    Put16(&head, 0);  // short glyph offsets
    Put16(&head, 0);

    std::string hhea;
    Put32(&hhea, 0x00010000);
    Put16(&hhea, m.ascent);
    Put16(&hhea, (uint16_t)-(int16_t)m.descent);
    Put16(&hhea, 0);  // line gap
    Put16(&hhea, m.advance);
    Put16(&hhea, 0);
    Put16(&hhea, (uint16_t)inset);
    Put16(&hhea, (uint16_t)right);
    Put16(&hhea, 1);  // upright caret
    for (int i = 0; i < 6; ++i) Put16(&hhea, 0);
    Put16(&hhea, 0);
    Put16(&hhea, kGlyphCount);

    std::string maxp;
    Put32(&maxp, 0x00010000);
    Put16(&maxp, kGlyphCount);
    Put16(&maxp, 4);  // points
    Put16(&maxp, 1);  // contours
    Put16(&maxp, 0);
    Put16(&maxp, 0);
    Put16(&maxp, 2);  // zones
    for (int i = 0; i < 8; ++i) Put16(&maxp, 0);

    std::string os2;
    Put16(&os2, 4);
    Put16(&os2, m.advance);  // average width
    Put16(&os2, 400);        // regular weight
    Put16(&os2, 5);          // normal width
    Put16(&os2, 0);          // installable
    for (int i = 0; i < 10; ++i) Put16(&os2, 0);  // sub- and superscripts, strikeout
    Put16(&os2, 0);
    os2 += std::string("\x02\x0B\x06\x03\x02\x02\x02\x02\x02\x04", 10);  // sans serif, proportional
    Put32(&os2, 1);  // Basic Latin
    for (int i = 0; i < 3; ++i) Put32(&os2, 0);
    os2 += "ONDU";
    Put16(&os2, 0x0040);  // regular
    Put16(&os2, kFirstChar);
    Put16(&os2, kLastChar);
    Put16(&os2, m.ascent);
    Put16(&os2, (uint16_t)-(int16_t)m.descent);
    Put16(&os2, 0);
    Put16(&os2, m.ascent);
    Put16(&os2, m.descent);
    Put32(&os2, 1);  // code page 1252
    Put32(&os2, 0);
    Put16(&os2, (uint16_t)top);
    Put16(&os2, (uint16_t)top);
    Put16(&os2, 0);
    Put16(&os2, 0x20);
    Put16(&os2, 1);

    std::string post;
    Put32(&post, 0x00030000);  // no glyph names
    for (int i = 0; i < 7; ++i) Put32(&post, 0);

    // One segment for the characters, glyph = character - 31, and the
    // closing one.
    std::string cmap;
    Put16(&cmap, 0);
    Put16(&cmap, 1);
    Put16(&cmap, 3);
    Put16(&cmap, 1);
    Put32(&cmap, 12);
    Put16(&cmap, 4);
    Put16(&cmap, 16 + 2 * 2 * 4);
    Put16(&cmap, 0);
    Put16(&cmap, 4);  // two segments
    Put16(&cmap, 4);
    Put16(&cmap, 1);
    Put16(&cmap, 0);
    Put16(&cmap, kLastChar);
    Put16(&cmap, 0xFFFF);
    Put16(&cmap, 0);
    Put16(&cmap, kFirstChar);
    Put16(&cmap, 0xFFFF);
    Put16(&cmap, (uint16_t)(1 - kFirstChar));
    Put16(&cmap, 1);
    Put16(&cmap, 0);
    Put16(&cmap, 0);

    struct Table {
        const char* tag;
        std::string bytes;
    };
    // In the order of their tags.
    const std::vector<Table> tables = {{"OS/2", os2}, {"cmap", cmap}, {"glyf", glyf}, {"head", head},
                                       {"hhea", hhea}, {"hmtx", hmtx}, {"loca", loca}, {"maxp", maxp},
                                       {"name", NameTable(family)}, {"post", post}};
    std::string font;
    Put32(&font, 0x00010000);
    Put16(&font, (uint16_t)tables.size());
    Put16(&font, 8 * 16);  // search range for 10 tables
    Put16(&font, 3);
    Put16(&font, (uint16_t)(tables.size() * 16 - 8 * 16));
    uint32_t offset = (uint32_t)(12 + 16 * tables.size());
    size_t headAt = 0;
    std::string body;
    for (const Table& table : tables) {
        font += table.tag;
        Put32(&font, TableChecksum(table.bytes));
        Put32(&font, offset);
        Put32(&font, (uint32_t)table.bytes.size());
        if (std::string(table.tag) == "head") headAt = offset;
        std::string padded = table.bytes;
        padded.resize((padded.size() + 3) & ~(size_t)3, '\0');
        body += padded;
        offset += (uint32_t)padded.size();
    }
    font += body;
    const uint32_t adjustment = 0xB1B0AFBAu - TableChecksum(font);
    for (int i = 0; i < 4; ++i) font[headAt + 8 + i] = (char)(adjustment >> (24 - 8 * i) & 0xFF);
    return font;
}
