#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/ui/Nib.h"
#include "platform/ui/View.h"
#include "uikit/lists/PXListView.h"

namespace kestrune {

// A row's view in a PXListView. While it sits in the list's reuse queue its row is the no-row value.
class PXListViewCell : public ui::View {
public:
    // A cell of the class T (or a subclass) from the layout of that name: the first such top-level
    // object, given the identifier, its selection allowed, and made ready for reuse; none when the
    // layout holds no such cell.
    template <typename T = PXListViewCell>
    static std::shared_ptr<T> cellLoadedFromNibNamed_bundle_reusableIdentifier(
        const std::string& nibName, const std::string& identifier) {
        auto cell = ui::Nib::loadFirst<T>(nibName, nullptr);
        if (!cell) return nullptr;
        static_cast<PXListViewCell&>(*cell).adoptLoadedState(identifier);
        return cell;
    }
    template <typename T = PXListViewCell>
    static std::shared_ptr<T> cellLoadedFromNibNamed_reusableIdentifier(const std::string& nibName,
                                                                        const std::string& identifier) {
        return cellLoadedFromNibNamed_bundle_reusableIdentifier<T>(nibName, identifier);
    }
    static std::shared_ptr<PXListViewCell> create(const std::string& identifier) {
        auto cell = std::make_shared<PXListViewCell>();
        cell->initWithReusableIdentifier(identifier);
        return cell;
    }

    // A cell made in code: a zero frame and the identifier. One from a layout is named after its class
    // until it is given an identifier.
    virtual void initWithReusableIdentifier(const std::string& identifier);
    void initFromNib(ui::NibArgs& args) override;

    virtual void prepareForReuse();
    bool isSelected() const;
    // Hooks the list calls; empty here.
    virtual void didUpdateSelection() {}
    virtual void updateSelectionColor() {}
    virtual void layoutSubviews() {}

    void mouseDown(const ui::Event& event) override;
    void mouseUp(const ui::Event&) override {}
    bool mouseDownCanMoveWindow() const override { return true; }
    void drawRect(ui::Rect dirty) override;

    // Accessibility: a row that can be pressed.
    bool accessibilityIsIgnored() override { return true; }
    std::vector<std::string> accessibilityAttributeNames() override;
    platform::Value accessibilityAttributeValue(const std::string& attribute) override;
    std::vector<std::string> accessibilityActionNames() override { return {"AXPress"}; }
    void accessibilityPerformAction(const std::string& action) override;

    const std::string& reusableIdentifier() const { return reusableIdentifier_; }
    void setReusableIdentifier(std::string identifier) { reusableIdentifier_ = std::move(identifier); }
    uint64_t row() const { return row_; }
    void setRow(uint64_t row) { row_ = row; }
    std::shared_ptr<PXListView> listView() const { return listView_.lock(); }
    void setListView(std::weak_ptr<PXListView> list) { listView_ = std::move(list); }
    bool selectionIsDisabled() const { return selectionIsDisabled_; }
    void setSelectionIsDisabled(bool flag) { selectionIsDisabled_ = flag; }
    PXDropHighlight dropHighlight() const { return dropHighlight_; }
    // Shows the list's whole-list highlight for any value but none, keeps the value and redraws.
    void setDropHighlight(PXDropHighlight highlight);

private:
    void adoptLoadedState(const std::string& identifier);

    std::string reusableIdentifier_;
    uint64_t row_ = PXListView::kNoRow;
    std::weak_ptr<PXListView> listView_;
    bool selectionIsDisabled_ = false;
    PXDropHighlight dropHighlight_ = PXDropHighlight::None;
};

}  // namespace kestrune
