#include "extract/ExtractWorker.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <utility>

#include "extract/GlyphRasterizer.h"
#include "glyph/BitLayout.h"
#include "glyph/GlyphSet.h"

namespace brivo {

namespace {
constexpr int kMaxFontHeight = 1024;  // four times the largest cell
// A rendering thread wakes the thread that fills the set once per this many glyphs of a
// lead-byte group and at the group's end, not for every glyph: a wake-up per glyph costs
// about as much as rendering a small glyph.
constexpr int kGlyphsPerWake = 32;
}  // namespace

bool ExtractSettings::HalfWidth() const {
    if (range != RANGE_CUSTOM) return range == RANGE_ASCII;
    return !codes.empty() && codes.back() < 0x80;
}

Result ExtractSettings::Validate() const {
    if (range == RANGE_CUSTOM) {
        if (codes.empty()) return Result::Failure("there are no characters to extract");
        for (uint16_t code : codes)
            if (code >= 0x80 && (code >> 8 < 0xA1 || code >> 8 > 0xFD ||
                                 (code & 0xFF) < kFirstTrail || (code & 0xFF) > kLastTrail))
                return Result::Failure("a character subset holds ASCII and KS X 1001 codes only");
    } else if (RangeLeadBytes(range, exceptUnused).empty()) {
        return Result::Failure(
            ErrorKind::NoRange,
            "choose a range to extract: ASCII, Hangul, full-width 1 or 2, or all");
    }
    if (Result size = CheckGlyphSize(fontSizeX, fontSizeY); !size) return size;
    if (HalfWidth() && fontSizeX < 2)
        return Result::Failure(ErrorKind::AsciiWidth,
                               "ASCII glyphs are half the width: the width must be at least 2");
    if (logFont.height < -kMaxFontHeight || logFont.height > kMaxFontHeight)
        return Result::Failure(
            ErrorKind::FontHeight,
            "the font height must be -1024 to 1024 pixels, not " + std::to_string(logFont.height));
    if (threshold < 1 || threshold > 255)
        return Result::Failure(ErrorKind::Threshold,
                               "the threshold must be 1 to 255, not " + std::to_string(threshold));
    if (!IsPixelDepth(bpp))
        return Result::Failure("the bits per pixel must be 1, 2, 4 or 8, not " +
                               std::to_string(bpp));
    const bool isPath = logFont.faceName.find('/') != std::string::npos;
    if (logFont.faceName.empty() ||
        (!isPath && FaceNameBytes(logFont.faceName) > LogFont::kMaxFaceNameBytes))
        return Result::Failure(
            ErrorKind::FaceName,
            "the font face name must be 1 to 31 bytes long in code page 949 (15 Hangul)");
    return Result::Success();
}

CExtractWorker::~CExtractWorker() { StopExtraction(); }

Result CExtractWorker::StartExtraction(const ExtractSettings& wanted, CGlyphSet& target,
                                       IExtractObserver* reportTo, std::atomic<bool>* busyFlag) {
    if (Result valid = wanted.Validate(); !valid) return valid;
    StopExtraction();
    const int cellWidth = wanted.range == RANGE_ASCII ? wanted.fontSizeX / 2 : wanted.fontSizeX;
    if (target.BytesPerGlyph() == BytesPerGlyph(cellWidth, wanted.fontSizeY))
        for (GlyphPtr& glyph : target.glyphs)
            if (glyph != nullptr && glyph->bits != nullptr)
                spareBits.push_back(std::move(glyph->bits));
    target.ClearGlyphs();
    settings = wanted;
    set = &target;
    observer = reportTo;
    busy = busyFlag;
    outcome = ExtractOutcome{};
    cancelRequested = false;
    running = true;
    thread = std::thread(&CExtractWorker::ExtractThreadProc, this);
    return Result::Success();
}

bool CExtractWorker::StopExtraction() {
    if (running) cancelRequested = true;
    if (thread.joinable()) thread.join();
    cancelRequested = false;
    return true;
}

void CExtractWorker::Wait() {
    if (thread.joinable()) thread.join();
}

void CExtractWorker::ExtractThreadProc() {
    if (busy != nullptr) busy->store(true);
    if (startHook) startHook();
    switch (settings.range) {
        case RANGE_ASCII:
            ExtractAscii();
            break;
        case RANGE_ALL:
            ExtractAll();
            break;
        case RANGE_HANGUL:
            ExtractHangul();
            break;
        case RANGE_FULLWIDTH1:
            ExtractFullWidth1();
            break;
        case RANGE_FULLWIDTH2:
            ExtractFullWidth2();
            break;
        case RANGE_CUSTOM:
            ExtractCustom();
            break;
        default:
            break;
    }
    set->exceptUnused = settings.exceptUnused && settings.range != RANGE_CUSTOM ? 1 : 0;
    set->keepsCodes = settings.range == RANGE_CUSTOM;
    outcome.glyphCount = set->Count();
    if (busy != nullptr) busy->store(false);
    if (observer != nullptr) observer->OnExtractFinished(outcome);
    running = false;
}

void CExtractWorker::ExtractAscii() { ExtractRange(RANGE_ASCII, settings.fontSizeX / 2, 1); }
void CExtractWorker::ExtractHangul() { ExtractRange(RANGE_HANGUL, settings.fontSizeX, 0); }
void CExtractWorker::ExtractFullWidth1() { ExtractRange(RANGE_FULLWIDTH1, settings.fontSizeX, 0); }
void CExtractWorker::ExtractFullWidth2() { ExtractRange(RANGE_FULLWIDTH2, settings.fontSizeX, 0); }
void CExtractWorker::ExtractAll() { ExtractRange(RANGE_ALL, settings.fontSizeX, 0); }
void CExtractWorker::ExtractCustom() {
    const bool half = settings.HalfWidth();
    ExtractRange(RANGE_CUSTOM, half ? settings.fontSizeX / 2 : settings.fontSizeX, half ? 1 : 0);
}

namespace {

// One rendered code, waiting to be put into the set.
struct RenderedGlyph {
    GlyphBits bits;
    GlyphBits coverage;  // above 1 bit a pixel
    uint16_t code = 0;
    GlyphMetrics metrics;
    int font = -1;  // into the run's font names; -1 when no font drew it
    bool missing = false, unassigned = false;
    bool grey = false;
    bool ready = false;
};

// The codes of one lead byte a rendering thread takes at a time, from glyph `first` on.
struct CodeGroup {
    uint8_t lead = 0;
    std::vector<uint16_t> codes;
    int first = 0;
};

// A range's lead bytes, or the codes of a subset cut at each change of lead byte.
std::vector<CodeGroup> CodeGroups(CodeRange range, bool exceptUnused,
                                  const std::vector<uint16_t>& subset) {
    std::vector<CodeGroup> groups;
    int first = 0;
    if (range != RANGE_CUSTOM) {
        for (uint8_t lead : RangeLeadBytes(range, exceptUnused)) {
            groups.push_back({lead, LeadCodes(lead), first});
            first += static_cast<int>(groups.back().codes.size());
        }
        return groups;
    }
    for (uint16_t code : subset) {
        const auto lead = static_cast<uint8_t>(code >> 8);
        if (groups.empty() || groups.back().lead != lead) groups.push_back({lead, {}, first});
        groups.back().codes.push_back(code);
        ++first;
    }
    return groups;
}

}  // namespace

void CExtractWorker::ExtractRange(CodeRange range, int cellWidth, uint8_t halfWidth) {
    const bool exceptUnused = settings.exceptUnused;
    const std::vector<CodeGroup> leads = CodeGroups(range, exceptUnused, settings.codes);
    const int total = leads.empty() ? 0 : leads.back().first + int(leads.back().codes.size());
    if (observer != nullptr) observer->OnExtractStarted(total);
    set->range = range;
    set->SetGlyphSize(cellWidth, settings.fontSizeY);
    set->halfWidth = halfWidth;
    set->bpp = settings.bpp;
    set->baseline.reset();
    set->lineMetrics.reset();

    std::vector<RenderedGlyph> rendered(total);
    std::vector<std::string> fontNames;
    std::mutex lock;
    std::condition_variable arrived;
    std::atomic<std::size_t> nextGroup = 0;
    std::atomic<std::size_t> failedGroup = leads.size();
    std::string failure;
    const std::size_t threadCount =
        std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, leads.size());
    std::size_t renderers = threadCount;  // those still running, guarded by `lock`

    // A bitmap of the previous set for the next glyph, or null; called under `lock`.
    auto takeSpare = [this]() -> GlyphBits {
        if (spareBits.empty()) return nullptr;
        GlyphBits bits = std::move(spareBits.back());
        spareBits.pop_back();
        return bits;
    };

    auto renderGroups = [&] {
        CGlyphRasterizer rasterizer;
        rasterizer.SetRenderMode(settings.renderMode);
        rasterizer.SetFallback(settings.fallback);
        rasterizer.SetBitsPerPixel(settings.bpp);
        // A cell the rasterizer refuses fails the run as a face it cannot open does.
        const Result sized = rasterizer.SetCellSize(cellWidth, settings.fontSizeY);
        GlyphBits spare;
        {
            std::lock_guard guard(lock);
            spare = takeSpare();
        }
        for (std::size_t group = nextGroup++; group < failedGroup && !cancelRequested;
             group = nextGroup++) {
            LogFont font = settings.logFont;
            if (range != RANGE_ASCII) set->ApplyGroupStyle(font, leads[group].lead);
            if (Result created = sized ? rasterizer.CreateFont(font) : sized; !created) {
                std::lock_guard guard(lock);
                if (group < failedGroup) {
                    failedGroup = group;
                    failure = created.message;
                }
                break;
            }
            int n = leads[group].first;
            if (group == 0) {
                std::lock_guard guard(lock);
                outcome.resolvedFont = rasterizer.SelectedFont().Describe();
                set->baseline = settings.offsetY + rasterizer.SelectedFontAscent();
                set->lineMetrics = rasterizer.SelectedFontLines();
                set->lineMetrics->originX = settings.offsetX;
            }
            // A fixed-pitch face keeps its pitch: every glyph advances by its cell.
            const bool fixedPitch = rasterizer.SelectedFontFixedPitch();
            const int baseline = settings.offsetY + rasterizer.SelectedFontAscent();
            const std::vector<uint16_t>& codes = leads[group].codes;
            for (std::size_t i = 0; i < codes.size(); ++i) {
                if (cancelRequested || group > failedGroup) break;
                const uint16_t code = codes[i];
                RenderedGlyph& glyph = rendered[n++];
                glyph.bits = rasterizer.RenderGlyph(code, settings.offsetX, settings.offsetY,
                                                    settings.threshold, std::move(spare),
                                                    settings.bpp > 1 ? &glyph.coverage : nullptr);
                glyph.code = code;
                glyph.metrics.advance = fixedPitch || rasterizer.LastGlyphAdvance() == 0
                                            ? 0
                                            : rasterizer.LastGlyphAdvance();
                if (glyph.bits != nullptr)
                    glyph.metrics.ink = FindInkBox(glyph.bits.get(), cellWidth, settings.fontSizeY,
                                                   settings.offsetX, baseline);
                glyph.missing = rasterizer.LastGlyphMissing();
                glyph.grey = rasterizer.LastGlyphGreyRescue();
                glyph.unassigned = glyph.missing && !rasterizer.IsAssigned(code);
                const ResolvedFont* drawnBy = rasterizer.LastGlyphFont();
                {
                    std::lock_guard guard(lock);
                    spare = takeSpare();
                    if (drawnBy != nullptr) {
                        const std::string name = drawnBy->Name();
                        auto known = std::find(fontNames.begin(), fontNames.end(), name);
                        glyph.font = static_cast<int>(known - fontNames.begin());
                        if (known == fontNames.end()) fontNames.push_back(name);
                    }
                    glyph.ready = true;
                }
                if ((i + 1) % kGlyphsPerWake == 0 || i + 1 == codes.size()) arrived.notify_all();
            }
        }
        spare.reset();
        {
            std::lock_guard guard(lock);
            --renderers;
        }
        arrived.notify_all();
    };
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < threadCount; ++i) threads.emplace_back(renderGroups);

    // The glyphs go into the set in code order, each as soon as it and all before it are
    // there.
    std::vector<int> fontOf;  // the outcome's entry for each font name
    int n = 0;
    for (std::unique_lock guard(lock); n < total && !cancelRequested; ++n) {
        arrived.wait(guard, [&] { return rendered[n].ready || renderers == 0; });
        if (!rendered[n].ready) break;
        RenderedGlyph glyph = std::exchange(rendered[n], RenderedGlyph{});
        if (glyph.grey) ++outcome.greyGlyphs;
        if (glyph.font >= 0) {
            fontOf.resize(fontNames.size(), -1);
            if (fontOf[glyph.font] < 0) {
                fontOf[glyph.font] = static_cast<int>(outcome.fonts.size());
                outcome.fonts.push_back(FontUse{fontNames[glyph.font], 0});
            }
            ++outcome.fonts[fontOf[glyph.font]].glyphs;
        } else if (glyph.missing) {
            ++outcome.missingGlyphs;
            if (glyph.unassigned)
                ++outcome.unassignedCodes;
            else
                outcome.lackingCodes.push_back(glyph.code);
        }
        guard.unlock();
        GlyphPtr owned = NewGlyph(glyph.code, 0, n, n);
        owned->bits = std::move(glyph.bits);
        owned->coverage = std::move(glyph.coverage);
        owned->metrics = glyph.metrics;
        CGlyph* made = owned.get();
        set->SetGlyphAt(n, std::move(owned));
        if (glyphSink) glyphSink(*made);
        if (observer != nullptr) observer->OnGlyphExtracted(n + 1, *made);
        guard.lock();
        // Written out: its bitmap serves the next glyph a rendering thread draws.
        if (glyphSink) {
            spareBits.push_back(std::move(made->bits));
            made->coverage.reset();
        }
    }
    for (std::thread& thread : threads) thread.join();
    spareBits.clear();

    if (failedGroup < leads.size()) {
        outcome.end = ExtractEnd::FontFailed;
        outcome.message = failure;
    } else if (cancelRequested) {
        outcome.end = ExtractEnd::Cancelled;
    }
}

}  // namespace brivo
