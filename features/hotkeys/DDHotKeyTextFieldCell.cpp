#include "features/hotkeys/DDHotKeyTextFieldCell.h"

#include "features/hotkeys/DDHotKeyTextField.h"
#include "features/hotkeys/DDHotKeyTextFieldEditor.h"

namespace kestrune {

std::shared_ptr<platform::ui::FieldEditor> DDHotKeyTextFieldCell::fieldEditorForView(
    platform::ui::View& view) {
    auto* field = dynamic_cast<DDHotKeyTextField*>(&view);
    if (!field) return platform::ui::FieldEditor::defaultFieldEditor();
    auto editor = DDHotKeyTextFieldEditor::sharedEditor();
    // No visible caret: the keys make a combination, not text.
    editor->setInsertionPointColor(editor->backgroundColor());
    editor->setHotKeyField(field->sharedAs<DDHotKeyTextField>());
    return editor;
}

}  // namespace kestrune
