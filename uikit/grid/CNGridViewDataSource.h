#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestrune {

class CNGridView;
class CNGridViewItemBase;

// Where a grid view's items come from. The grid asks only the first two (section always 0); the
// optional three are declared and forwarded for owners that ask the grid.
class CNGridViewDataSource {
public:
    enum class Op { NumberOfSectionsInGridView, TitleForHeaderInSection, SectionIndexTitlesForGridView };

    virtual ~CNGridViewDataSource() = default;
    virtual bool implements(Op) const { return false; }

    virtual int64_t gridView_numberOfItemsInSection(CNGridView& gridView, int64_t section) = 0;
    // Normally a dequeued item, else a new one; none leaves the slot empty until the next pass.
    virtual std::shared_ptr<CNGridViewItemBase> gridView_itemAtIndex_inSection(CNGridView& gridView,
                                                                               int64_t index,
                                                                               int64_t section) = 0;
    virtual int64_t numberOfSectionsInGridView(CNGridView&) { return 1; }
    virtual std::optional<std::string> gridView_titleForHeaderInSection(CNGridView&, int64_t) {
        return std::nullopt;
    }
    virtual std::vector<std::string> sectionIndexTitlesForGridView(CNGridView&) { return {}; }
};

}  // namespace kestrune
