#include "panes/CGlyphUndoStack.h"

#include <algorithm>

#include "glyph/GlyphCommands.h"

namespace brivo {

CGlyphUndoCommand::CGlyphUndoCommand(CGlyphUndoStack& stack, const QString& text,
                                     GlyphCommandList commands, GlyphViewState before,
                                     GlyphViewState after)
    : QUndoCommand(text),
      stack(stack),
      commands(std::move(commands)),
      before(std::move(before)),
      after(std::move(after)) {}

CGlyphUndoCommand::~CGlyphUndoCommand() = default;

void CGlyphUndoCommand::undo() {
    for (auto it = commands.rbegin(); it != commands.rend(); ++it) (*it)->Undo();
    stack.document = before.document;
    emit stack.StateShown(before);
}

void CGlyphUndoCommand::redo() {
    if (std::exchange(recorded, false)) return;
    for (auto& command : commands) command->Do();
    stack.document = after.document;
    emit stack.StateShown(after);
}

std::size_t CGlyphUndoCommand::HeldBytes() const {
    std::size_t total = before.canvas.size() + after.canvas.size();
    for (const auto& command : commands) total += command->HeldBytes();
    return total;
}

std::unique_ptr<CGlyphUndoCommand> CGlyphUndoCommand::TakeOver() {
    auto copy =
        std::make_unique<CGlyphUndoCommand>(stack, text(), std::move(commands), before, after);
    copy->startsDocument = startsDocument;
    return copy;
}

CGlyphUndoStack::CGlyphUndoStack(QObject* parent) : QUndoStack(parent) { setUndoLimit(kStepLimit); }

void CGlyphUndoStack::Record(const QString& text, GlyphCommandList commands, GlyphViewState before,
                             GlyphViewState after) {
    const bool startsDocument = after.document >= 0;
    if (before.document < 0) before.document = document;
    if (after.document < 0) after.document = document;
    document = after.document;
    auto step = std::make_unique<CGlyphUndoCommand>(*this, text, std::move(commands),
                                                    std::move(before), std::move(after));
    step->startsDocument = startsDocument;
    push(step.release());
    KeepWithinBudget();
}

bool CGlyphUndoStack::SetChangedSinceClean() const {
    if (cleanIndex() < 0) return true;
    for (int i = std::min(cleanIndex(), index()); i < std::max(cleanIndex(), index()); ++i)
        if (Step(i)->ChangesSet()) return true;
    return false;
}

void CGlyphUndoStack::SetDocument(int id) {
    document = id;
    for (int i = index() - 1; i >= 0; --i) {
        auto* step = const_cast<CGlyphUndoCommand*>(Step(i));
        step->after.document = id;
        if (step->startsDocument) break;
        step->before.document = id;
    }
    for (int i = index(); i < count(); ++i) {
        auto* step = const_cast<CGlyphUndoCommand*>(Step(i));
        step->before.document = id;
        if (step->startsDocument) break;
        step->after.document = id;
    }
}

const CGlyphUndoCommand* CGlyphUndoStack::Step(int i) const {
    return static_cast<const CGlyphUndoCommand*>(command(i));
}

std::size_t CGlyphUndoStack::HeldBytes() const {
    std::size_t total = 0;
    for (int i = 0; i < count(); ++i) total += Step(i)->HeldBytes();
    return total;
}

// QUndoStack forgets old steps only through its step limit, so the steps that stay are taken
// out of theirs and recorded again, with the saved state where it was (or lost with them).
void CGlyphUndoStack::KeepWithinBudget() {
    std::size_t total = HeldBytes();
    int dropped = 0;
    while (total > byteBudget && dropped < count() - 1) total -= Step(dropped++)->HeldBytes();
    if (dropped == 0) return;
    const int clean = cleanIndex() - dropped;
    std::vector<std::unique_ptr<CGlyphUndoCommand>> kept;
    for (int i = dropped; i < count(); ++i)
        kept.push_back(const_cast<CGlyphUndoCommand*>(Step(i))->TakeOver());
    clear();
    for (int i = 0; i < static_cast<int>(kept.size()); ++i) {
        if (i == clean) setClean();
        push(kept[i].release());
    }
    if (clean == count())
        setClean();
    else if (clean < 0)
        resetClean();
}

bool RunGlyphCommands(CGlyphUndoStack* history, const QString& text, GlyphCommandList commands,
                      GlyphViewState before, GlyphViewState after) {
    bool changed = false;
    for (auto& command : commands) changed = command->Do() || changed;
    if (!changed) {
        for (auto it = commands.rbegin(); it != commands.rend(); ++it) (*it)->Undo();
        return false;
    }
    if (history) history->Record(text, std::move(commands), std::move(before), std::move(after));
    return true;
}

GlyphCommandList OneCommand(std::unique_ptr<CGlyphCommand> command) {
    GlyphCommandList list;
    list.push_back(std::move(command));
    return list;
}

}  // namespace brivo
