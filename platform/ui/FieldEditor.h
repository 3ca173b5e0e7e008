#pragma once

#include <memory>

#include "platform/ui/Color.h"
#include "platform/ui/TextView.h"

namespace platform::ui {

// The text view that edits a text field while the field is being edited. A window shares one default
// editor among its fields; a field may ask for an editor of its own kind.
class FieldEditor : public TextView {
public:
    static std::shared_ptr<FieldEditor> create() { return make<FieldEditor>(Rect{}); }
    // The default editor, one for the application.
    static std::shared_ptr<FieldEditor> defaultFieldEditor();

    bool isFieldEditor() const { return fieldEditor_; }
    void setFieldEditor(bool flag) { fieldEditor_ = flag; }
    const Color& insertionPointColor() const { return insertionPoint_; }
    void setInsertionPointColor(Color color) { insertionPoint_ = color; }
    const Color& backgroundColor() const { return background_; }
    void setBackgroundColor(Color color) { background_ = color, setNeedsDisplay(true); }
    bool acceptsFirstResponder() override { return true; }

private:
    bool fieldEditor_ = false;
    Color insertionPoint_ = Color::blackColor();
    Color background_ = Color::whiteColor();
};

}  // namespace platform::ui
