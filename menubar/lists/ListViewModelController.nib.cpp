// The page is its list, filling it.

#include "menubar/lists/ListViewModelController.h"
#include "platform/ui/Nib.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kListViewModelControllerLayout;
const ui::NibRegistry::Registration kListViewModelControllerLayout(
    "ListViewModelController", [](ui::NibLoader& nib) {
        auto page = nib.make<ui::View>({0, 0, 480, 400});
        auto list = nib.make<KestruneListView>({0, 0, 480, 400});
        list->setAutoresizingMask(ui::kViewWidthSizable | ui::kViewHeightSizable);
        page->addSubview(list);
        nib.addTopLevel(page);
        if (auto owner = nib.owner<ListViewModelController>()) {
            owner->listView = list;
            owner->setView(page);
        }
    });

}  // namespace kestrune
