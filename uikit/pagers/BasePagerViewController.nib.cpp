// The pager's own view: a plain area the size of a wizard page; the container of the pages fills it.

#include "uikit/pagers/BasePagerViewController.h"
#include "platform/ui/Nib.h"
#include "platform/ui/View.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kBasePagerViewControllerLayout;
const ui::NibRegistry::Registration kBasePagerViewControllerLayout(
    "BasePagerViewController", [](ui::NibLoader& nib) {
        auto view = nib.make<ui::View>({0, 0, 850, 530});
        nib.addTopLevel(view);
        if (auto owner = nib.owner<ui::ViewController>()) owner->setView(view);
    });

}  // namespace kestrune
