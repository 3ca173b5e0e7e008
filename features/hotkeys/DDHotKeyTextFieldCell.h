#pragma once

#include <memory>

#include "platform/ui/FieldEditor.h"
#include "platform/ui/View.h"

namespace kestrune {

// The recorder field's cell: recorder fields are edited by the one shared recording editor, every other
// view by the default editor.
class DDHotKeyTextFieldCell {
public:
    std::shared_ptr<platform::ui::FieldEditor> fieldEditorForView(platform::ui::View& view);
};

}  // namespace kestrune
