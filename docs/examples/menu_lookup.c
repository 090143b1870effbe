/* Finds the glyphs of a character subset by code, as firmware would.

   brivo-cli extract --chars-file menu.txt --name menu_font -o menu_font.h
   cc -std=c99 -Wall -Wno-comment -o menu_lookup menu_lookup.c

   (-Wno-comment: the header block of the font file opens a comment on each line.)

   ./menu_lookup b0a1 c8ae  prints the 32 bytes of each glyph in hex, or "none". */
#include <stdio.h>
#include <stdlib.h>

#include "menu_font.h"

#define GLYPH_COUNT (sizeof menu_font_codes / sizeof menu_font_codes[0])

/* The glyph of an EUC-KR code (ASCII: the byte), or NULL: a binary search of the code
   table, which lists the glyphs' codes in ascending order. */
static const unsigned char* find_glyph(unsigned short code) {
    size_t low = 0, high = GLYPH_COUNT;
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        if (menu_font_codes[middle] == code) return menu_font[middle];
        if (menu_font_codes[middle] < code)
            low = middle + 1;
        else
            high = middle;
    }
    return NULL;
}

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const unsigned char* glyph = find_glyph((unsigned short)strtoul(argv[i], NULL, 16));
        if (glyph == NULL) {
            puts("none");
            continue;
        }
        for (size_t k = 0; k < sizeof menu_font[0]; ++k) printf("%02x", glyph[k]);
        putchar('\n');
    }
    return 0;
}
