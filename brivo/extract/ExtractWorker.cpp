#include "extract/ExtractWorker.h"

#include "extract/GlyphRasterizer.h"
#include "fontfile/BinaryFontFile.h"
#include "glyph/GlyphSet.h"

namespace {
constexpr int kMaxFontHeight = 1024;  // four times the largest cell
}  // namespace

Result ExtractSettings::Validate() const {
    if (RangeLeadBytes(range, exceptUnused).empty())
        return Result::Failure(
            "choose a range to extract: ASCII, Hangul, full-width 1 or 2, or all");
    if (Result size = CheckGlyphSize(fontSizeX, fontSizeY); !size) return size;
    if (range == RANGE_ASCII && fontSizeX < 2)
        return Result::Failure("ASCII glyphs are half the width: the width must be at least 2");
    if (logFont.height < -kMaxFontHeight || logFont.height > kMaxFontHeight)
        return Result::Failure("the font height must be -1024 to 1024 pixels, not " +
                               std::to_string(logFont.height));
    if (threshold < 1 || threshold > 255)
        return Result::Failure("the threshold must be 1 to 255, not " + std::to_string(threshold));
    const bool isPath = logFont.faceName.find('/') != std::string::npos;
    if (logFont.faceName.empty() ||
        (!isPath && FaceNameBytes(logFont.faceName) > LogFont::kMaxFaceNameBytes))
        return Result::Failure(
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

void CExtractWorker::ExtractRange(CodeRange range, int cellWidth, uint8_t halfWidth) {
    const bool exceptUnused = settings.exceptUnused;
    if (observer != nullptr) observer->OnExtractStarted(RangeGlyphCount(range, exceptUnused));
    set->range = range;
    set->SetGlyphSize(cellWidth, settings.fontSizeY);
    set->halfWidth = halfWidth;

    CGlyphRasterizer rasterizer;
    if (!rasterizer.SetCellSize(cellWidth, settings.fontSizeY)) return;

    int n = 0;
    for (uint8_t lead : RangeLeadBytes(range, exceptUnused)) {
        LogFont font = settings.logFont;
        if (range != RANGE_ASCII) set->ApplyGroupStyle(font, lead);
        if (Result created = rasterizer.CreateFont(font); !created) {
            outcome.end = ExtractEnd::FontFailed;
            outcome.message = created.message;
            return;
        }
        if (outcome.resolvedFont.empty())
            outcome.resolvedFont = rasterizer.SelectedFont().Describe();
        for (uint16_t code : LeadCodes(lead)) {
            if (cancelRequested) break;
            uint8_t* bits = rasterizer.RenderGlyph(code, settings.offsetX, settings.offsetY,
                                                   settings.threshold);
            if (rasterizer.LastGlyphMissing()) {
                ++outcome.missingGlyphs;
                if (!rasterizer.IsAssigned(code)) ++outcome.unassignedCodes;
            }
            auto* glyph = new CGlyph;
            glyph->SetCodeAndBits(code, bits);
            glyph->originalIndex = glyph->index = n;
            set->SetGlyphAt(n, glyph);
            ++n;
            if (observer != nullptr) observer->OnGlyphExtracted(n);
        }
        rasterizer.DeleteFont();
        if (cancelRequested) {
            outcome.end = ExtractEnd::Cancelled;
            break;
        }
    }
}
