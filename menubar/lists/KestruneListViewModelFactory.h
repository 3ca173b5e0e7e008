#pragma once

#include <cstdint>
#include <memory>

#include "uikit/lists/ListCellViewModel.h"

namespace kestrune {

// The three ready-made check boxes of a confirmation method on the phone (double knock, Touch ID, a yes
// or no answer), each with a read-more button. The set-up and advanced pages show them as radio rows.
class KestruneListViewModelFactory {
public:
    using VM = std::shared_ptr<ListCellViewModel>;

    static VM doubleKnockCellIsOn_indentation_action_readMoreAction(bool isOn, int64_t indentation,
                                                                    Block action, Block readMoreAction);
    static VM touchCellIsOn_indentation_action_readMoreAction(bool isOn, int64_t indentation, Block action,
                                                              Block readMoreAction);
    static VM yesNoCellIsOn_indentation_action_readMoreAction(bool isOn, int64_t indentation, Block action,
                                                              Block readMoreAction);
};

}  // namespace kestrune
