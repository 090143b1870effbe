#include "panes/CGlyphUndoStack.h"

#include <algorithm>

#include "glyph/GlyphCommands.h"

namespace brivo {

CGlyphUndoCommand::CGlyphUndoCommand(CGlyphUndoStack& stack, const QString& text,
                                     std::shared_ptr<GlyphStepContents> contents)
    : QUndoCommand(text), stack(stack), contents(std::move(contents)) {}

CGlyphUndoCommand::~CGlyphUndoCommand() = default;

void CGlyphUndoCommand::undo() {
    GlyphCommandList& commands = contents->commands;
    for (auto it = commands.rbegin(); it != commands.rend(); ++it) (*it)->Undo();
    stack.document = contents->before.document;
    emit stack.StateShown(contents->before);
}

void CGlyphUndoCommand::redo() {
    if (std::exchange(recorded, false)) return;
    for (auto& command : contents->commands) command->Do();
    stack.document = contents->after.document;
    emit stack.StateShown(contents->after);
}

std::size_t CGlyphUndoCommand::HeldBytes() const {
    std::size_t total = contents->before.canvas.size() + contents->after.canvas.size();
    for (const auto& command : contents->commands) total += command->HeldBytes();
    return total;
}

CGlyphUndoStack::CGlyphUndoStack(QObject* parent) : QUndoStack(parent) { setUndoLimit(kStepLimit); }

void CGlyphUndoStack::Record(const QString& text, GlyphCommandList commands, GlyphViewState before,
                             GlyphViewState after) {
    const bool startsDocument = after.document >= 0;
    if (before.document < 0) before.document = document;
    if (after.document < 0) after.document = document;
    document = after.document;
    auto contents = std::make_shared<GlyphStepContents>(GlyphStepContents{
        std::move(commands), std::move(before), std::move(after), startsDocument});
    push(std::make_unique<CGlyphUndoCommand>(*this, text, std::move(contents)).release());
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
        GlyphStepContents* step = Step(i)->Contents().get();
        step->after.document = id;
        if (step->startsDocument) break;
        step->before.document = id;
    }
    for (int i = index(); i < count(); ++i) {
        GlyphStepContents* step = Step(i)->Contents().get();
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
    std::vector<std::pair<QString, std::shared_ptr<GlyphStepContents>>> kept;
    for (int i = dropped; i < count(); ++i) kept.emplace_back(Step(i)->text(), Step(i)->Contents());
    clear();
    for (int i = 0; i < static_cast<int>(kept.size()); ++i) {
        if (i == clean) setClean();
        push(std::make_unique<CGlyphUndoCommand>(*this, kept[i].first, std::move(kept[i].second))
                 .release());
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
