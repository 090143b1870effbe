#pragma once

#include <QUndoCommand>
#include <QUndoStack>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace brivo {

class CGlyphCommand;
class CGlyphUndoStack;

// The glyph-model commands of one step, done in order and undone in reverse.
using GlyphCommandList = std::vector<std::unique_ptr<CGlyphCommand>>;

// What the panes show on either side of a step: the grid's selection and, for a step of the
// editor, the canvas's bitmap and whether it holds an edit not yet written back (an empty
// canvas: the editor shows the selected glyph as the set has it).
// `document` names the file the state belongs to, as an id its owner hands out
// (kNoDocument: none, -1 when recording: the stack's current one).
struct GlyphViewState {
    int selection = -1;
    std::vector<uint8_t> canvas = {};
    bool canvasModified = false;
    int document = -1;
};
inline constexpr int kNoDocument = 0;

// What one step of the history holds. QUndoStack hands its steps out read-only; the history
// renames the documents of its steps and moves them to new steps when it forgets old ones,
// so it keeps a share of each step's contents.
struct GlyphStepContents {
    GlyphCommandList commands;
    GlyphViewState before, after;
    // The step brings a document of its own (a load, an extraction).
    bool startsDocument = false;
};

// One step of the glyph set's history: glyph-model commands, already done when the step is
// recorded, or only a change of the editor's canvas (no command). Undo and redo call the
// commands and then let the stack show the state of that side.
class CGlyphUndoCommand : public QUndoCommand {
public:
    CGlyphUndoCommand(CGlyphUndoStack& stack, const QString& text,
                      std::shared_ptr<GlyphStepContents> contents);
    ~CGlyphUndoCommand() override;

    void undo() override;
    void redo() override;

    std::size_t HeldBytes() const;
    bool ChangesSet() const { return !contents->commands.empty(); }
    const std::shared_ptr<GlyphStepContents>& Contents() const { return contents; }

private:
    CGlyphUndoStack& stack;
    std::shared_ptr<GlyphStepContents> contents;
    // The commands were done before the step was recorded: the stack's first redo is no change.
    bool recorded = true;
};

// The history of the glyph set, kept within kStepLimit steps and a byte budget (a whole-set
// step of a large range keeps the replaced glyphs, tens of megabytes). After every undo and
// redo, StateShown tells what the panes must show.
class CGlyphUndoStack : public QUndoStack {
    Q_OBJECT
public:
    static constexpr int kStepLimit = 100;
    static constexpr std::size_t kDefaultByteBudget = std::size_t(256) << 20;

    explicit CGlyphUndoStack(QObject* parent = nullptr);

    // Records `commands`, already done, as the step `text`. The oldest steps are forgotten
    // while the history holds more than the byte budget, but never the newest. A state
    // without a document gets the current one; an after-state with one (kNoDocument for a set
    // of no file) starts a new document. The after-state's document becomes current.
    void Record(const QString& text, GlyphCommandList commands, GlyphViewState before,
                GlyphViewState after);

    // The document of the state shown now; undo and redo move it with the states.
    int Document() const { return document; }
    // The state shown now belongs to `id` from now on (it was saved under a new name), and so
    // do the states of the same document around it, as far as a step that starts another.
    void SetDocument(int id);

    std::size_t HeldBytes() const;
    // Whether a step since the saved state changed the glyph set (not only the canvas).
    bool SetChangedSinceClean() const;
    void SetByteBudget(std::size_t bytes) { byteBudget = bytes; }

signals:
    void StateShown(const brivo::GlyphViewState& state);

private:
    friend class CGlyphUndoCommand;
    const CGlyphUndoCommand* Step(int i) const;
    void KeepWithinBudget();

    std::size_t byteBudget = kDefaultByteBudget;
    int document = kNoDocument;
};

// Does `commands` in order and records them in `history` (when there is one) as the step
// `text`; false, with nothing changed or recorded, when none of them changed anything.
bool RunGlyphCommands(CGlyphUndoStack* history, const QString& text, GlyphCommandList commands,
                      GlyphViewState before, GlyphViewState after);

// The list of one command.
GlyphCommandList OneCommand(std::unique_ptr<CGlyphCommand> command);

}  // namespace brivo
