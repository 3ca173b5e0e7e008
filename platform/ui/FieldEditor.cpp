#include "platform/ui/FieldEditor.h"

namespace platform::ui {

std::shared_ptr<FieldEditor> FieldEditor::defaultFieldEditor() {
    static auto* editor = new std::shared_ptr<FieldEditor>([] {
        auto e = FieldEditor::create();
        e->setFieldEditor(true);
        return e;
    }());
    return *editor;
}

}  // namespace platform::ui
