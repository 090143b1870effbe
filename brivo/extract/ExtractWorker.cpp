#include "extract/ExtractWorker.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <utility>

#include "extract/GlyphRasterizer.h"
#include "glyph/GlyphSet.h"

namespace brivo {

namespace {
constexpr int kMaxFontHeight = 1024;  // four times the largest cell
}  // namespace

Result ExtractSettings::Validate() const {
    if (RangeLeadBytes(range, exceptUnused).empty())
        return Result::Failure(
            ErrorKind::NoRange,
            "choose a range to extract: ASCII, Hangul, full-width 1 or 2, or all");
    if (Result size = CheckGlyphSize(fontSizeX, fontSizeY); !size) return size;
    if (range == RANGE_ASCII && fontSizeX < 2)
        return Result::Failure(ErrorKind::AsciiWidth,
                               "ASCII glyphs are half the width: the width must be at least 2");
    if (logFont.height < -kMaxFontHeight || logFont.height > kMaxFontHeight)
        return Result::Failure(
            ErrorKind::FontHeight,
            "the font height must be -1024 to 1024 pixels, not " + std::to_string(logFont.height));
    if (threshold < 1 || threshold > 255)
        return Result::Failure(ErrorKind::Threshold,
                               "the threshold must be 1 to 255, not " + std::to_string(threshold));
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
        default:
            break;
    }
    set->exceptUnused = settings.exceptUnused ? 1 : 0;
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

namespace {

// One rendered code, waiting to be put into the set.
struct RenderedGlyph {
    uint8_t* bits = nullptr;
    uint16_t code = 0;
    int font = -1;  // into the run's font names; -1 when no font drew it
    bool missing = false, unassigned = false;
    bool ready = false;
};

}  // namespace

void CExtractWorker::ExtractRange(CodeRange range, int cellWidth, uint8_t halfWidth) {
    const bool exceptUnused = settings.exceptUnused;
    const std::vector<uint8_t> leads = RangeLeadBytes(range, exceptUnused);
    const int total = RangeGlyphCount(range, exceptUnused);
    if (observer != nullptr) observer->OnExtractStarted(total);
    set->range = range;
    set->SetGlyphSize(cellWidth, settings.fontSizeY);
    set->halfWidth = halfWidth;

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

    auto renderGroups = [&] {
        CGlyphRasterizer rasterizer;
        rasterizer.SetRenderMode(settings.renderMode);
        rasterizer.SetFallback(settings.fallback);
        rasterizer.SetCellSize(cellWidth, settings.fontSizeY);
        for (std::size_t group = nextGroup++; group < failedGroup && !cancelRequested;
             group = nextGroup++) {
            LogFont font = settings.logFont;
            if (range != RANGE_ASCII) set->ApplyGroupStyle(font, leads[group]);
            if (Result created = rasterizer.CreateFont(font); !created) {
                std::lock_guard guard(lock);
                if (group < failedGroup) {
                    failedGroup = group;
                    failure = created.message;
                }
                break;
            }
            int n = static_cast<int>(group * kTrailsPerLead);
            if (group == 0) {
                std::lock_guard guard(lock);
                outcome.resolvedFont = rasterizer.SelectedFont().Describe();
            }
            for (uint16_t code : LeadCodes(leads[group])) {
                if (cancelRequested || group > failedGroup) break;
                RenderedGlyph& glyph = rendered[n++];
                glyph.bits = rasterizer.RenderGlyph(code, settings.offsetX, settings.offsetY,
                                                    settings.threshold);
                glyph.code = code;
                glyph.missing = rasterizer.LastGlyphMissing();
                glyph.unassigned = glyph.missing && !rasterizer.IsAssigned(code);
                const ResolvedFont* drawnBy = rasterizer.LastGlyphFont();
                {
                    std::lock_guard guard(lock);
                    if (drawnBy != nullptr) {
                        const std::string name = drawnBy->Name();
                        auto known = std::find(fontNames.begin(), fontNames.end(), name);
                        glyph.font = static_cast<int>(known - fontNames.begin());
                        if (known == fontNames.end()) fontNames.push_back(name);
                    }
                    glyph.ready = true;
                }
                arrived.notify_all();
            }
        }
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
        if (glyph.font >= 0) {
            fontOf.resize(fontNames.size(), -1);
            if (fontOf[glyph.font] < 0) {
                fontOf[glyph.font] = static_cast<int>(outcome.fonts.size());
                outcome.fonts.push_back(FontUse{fontNames[glyph.font], 0});
            }
            ++outcome.fonts[fontOf[glyph.font]].glyphs;
        } else if (glyph.missing) {
            ++outcome.missingGlyphs;
            if (glyph.unassigned) ++outcome.unassignedCodes;
        }
        guard.unlock();
        auto* made = new CGlyph;
        made->SetCodeAndBits(glyph.code, glyph.bits);
        made->originalIndex = made->index = n;
        set->SetGlyphAt(n, made);
        if (observer != nullptr) observer->OnGlyphExtracted(n + 1);
        guard.lock();
    }
    for (std::thread& thread : threads) thread.join();
    for (RenderedGlyph& glyph : rendered) delete[] glyph.bits;  // rendered after a stop

    if (failedGroup < leads.size()) {
        outcome.end = ExtractEnd::FontFailed;
        outcome.message = failure;
    } else if (cancelRequested) {
        outcome.end = ExtractEnd::Cancelled;
    }
}

}  // namespace brivo
