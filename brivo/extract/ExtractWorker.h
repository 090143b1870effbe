#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "extract/GlyphRasterizer.h"
#include "glyph/CodeRange.h"
#include "glyph/Glyph.h"
#include "glyph/LogFont.h"
#include "glyph/Result.h"

namespace brivo {

class CGlyphSet;

// What an extraction renders and how.
struct ExtractSettings {
    CodeRange range = RANGE_HANGUL;
    bool exceptUnused = false;
    int fontSizeX = 16;
    int fontSizeY = 16;
    int offsetX = 0;
    int offsetY = 0;
    int threshold = kDefaultThreshold;
    RenderMode renderMode = RenderMode::Auto;
    // Bits a pixel: 1, or 2, 4 or 8 for glyphs that keep FreeType's grey coverage.
    int bpp = 1;
    bool fallback = true;  // take characters the face lacks from fontconfig's fallback fonts
    LogFont logFont;
    // The codes of a Custom extraction (a character subset): ASCII and KS X 1001, ascending.
    // The glyphs keep them; an all-ASCII subset gets half-width cells as the ASCII range.
    std::vector<uint16_t> codes;

    // Whether the cells are half the width: ASCII, or a subset of ASCII only.
    bool HalfWidth() const;

    // Empty when the values can be extracted, otherwise what is wrong with them.
    Result Validate() const;
};

enum class ExtractEnd { Completed, Cancelled, FontFailed };

// An installed font and how many glyphs of an extraction it drew.
struct FontUse {
    std::string name;  // ResolvedFont::Name(): family, style and what was synthesised
    int glyphs = 0;
};

struct ExtractOutcome {
    ExtractEnd end = ExtractEnd::Completed;
    int glyphCount = 0;
    int missingGlyphs = 0;               // codes drawn blank because no font has a glyph for them
    int unassignedCodes = 0;             // of those, codes KS X 1001 leaves unassigned
    std::vector<uint16_t> lackingCodes;  // the others: assigned codes no font has a glyph for
    int greyGlyphs = 0;                  // drawn in greyscale in Auto: too thin for monochrome
    std::string resolvedFont;    // the installed font the face resolved to (first lead byte)
    std::vector<FontUse> fonts;  // the fonts that drew glyphs, in the order of their first glyph
    std::string message;         // why a FontFailed run ended
};

// Receives the worker's reports. Every call comes from the worker thread; an implementation
// must not wait for the thread that owns the worker (a GUI forwards them as queued calls).
class IExtractObserver {
public:
    virtual ~IExtractObserver() = default;
    virtual void OnExtractStarted(int maximum) { (void)maximum; }
    // `glyph` has just gone into the set at position count - 1; the worker does not change it
    // again during the run.
    virtual void OnGlyphExtracted(int count, const CGlyph& glyph) {
        (void)count;
        (void)glyph;
    }
    virtual void OnExtractFinished(const ExtractOutcome& outcome) { (void)outcome; }
};

// Renders a code range into a glyph set on a worker thread, which hands out the lead-byte
// groups to rendering threads (one per core, each with its own FreeType) and puts the glyphs
// into the set in code order as they arrive. The set must not be read by
// another thread while the `busy` flag is set, and must not be changed while Running().
class CExtractWorker {
public:
    CExtractWorker() = default;
    ~CExtractWorker();
    CExtractWorker(const CExtractWorker&) = delete;
    CExtractWorker& operator=(const CExtractWorker&) = delete;

    // Stops a running extraction, empties the set and starts rendering. `busy` (the grid's
    // flag) is set while the set is being filled. Fails, changing nothing, on bad settings.
    Result StartExtraction(const ExtractSettings& settings, CGlyphSet& set,
                           IExtractObserver* observer = nullptr, std::atomic<bool>* busy = nullptr);

    // Cancels a running extraction (it stops within one glyph) and waits for it.
    bool StopExtraction();

    // Asks a running extraction to stop within one glyph, without waiting: a GUI keeps
    // handling its events until Running() turns false, then calls StopExtraction.
    void RequestCancel() {
        if (running) cancelRequested = true;
    }

    // Waits until the current extraction has finished by itself.
    void Wait();

    bool Running() const { return running.load(); }

    // For tests: called on the worker thread as a run begins, the set just emptied; a test
    // holds the run there (until the hook returns) to see what waits for it. Set it while
    // no run is going.
    void SetStartHook(std::function<void()> hook) { startHook = std::move(hook); }
    const ExtractOutcome& LastOutcome() const { return outcome; }  // valid after Wait/Stop

    // For a writer that needs nothing but the glyphs in code order: each glyph is handed to
    // `sink` on the worker thread as soon as it and all before it are rendered, and the set
    // then keeps it without its bitmap, so that memory does not grow with the range. Set it
    // while no run is going; an empty function keeps the bitmaps.
    void SetGlyphSink(std::function<void(const CGlyph&)> sink) { glyphSink = std::move(sink); }

private:
    void ExtractThreadProc();
    void ExtractAscii();
    void ExtractHangul();
    void ExtractFullWidth1();
    void ExtractFullWidth2();
    void ExtractAll();
    void ExtractCustom();
    void ExtractRange(CodeRange range, int cellWidth, uint8_t halfWidth);

    std::atomic<bool> running = false;
    std::atomic<bool> cancelRequested = false;
    std::thread thread;

    ExtractSettings settings;
    CGlyphSet* set = nullptr;
    IExtractObserver* observer = nullptr;
    std::atomic<bool>* busy = nullptr;
    ExtractOutcome outcome;
    std::function<void()> startHook;
    std::function<void(const CGlyph&)> glyphSink;
    // The bitmaps of the set's previous glyphs, drawn into again when the new glyphs have the
    // same size: fresh memory costs a page fault every 4 KB, far more than clearing it.
    std::vector<GlyphBits> spareBits;
};

}  // namespace brivo
