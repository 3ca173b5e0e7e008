// The clipboard page: the warning that fits the phone, the hot-key row, the send button only while the
// tracked phone is connected, and the clipboard window's send option.

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>

#include "menubar/pages/ClipboardMenuManager.h"
#include "platform/system/Bundle.h"
#include "tests/menubar/PagesFixture.h"

namespace pagetests {
namespace {

class ClipboardMenuManagerTest : public PagesFixture {};

using Rows = std::vector<std::string>;
const Rows kHowAndHotKey{"TitleDescriptionCell clipboard", "SeparatorCell",
                         "CustomCheckBoxCell clipboard_shortcut_title"};

Rows operator+(Rows a, const Rows& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(ClipboardMenuManagerTest, RowsFollowThePhoneAndItsConnection) {
    auto page = shownPage<kestrune::ClipboardMenuManager>();
    EXPECT_EQ(rowsOf(*page),
              Rows{"CollapseCell no_paired_devices_title"} + kHowAndHotKey + Rows{"SimpleImageCell"});

    auto phone = addTrackedPhone(false);
    page->reloadData();
    EXPECT_EQ(rowsOf(*page),
              Rows{"CollapseCell devices_not_connected"} + kHowAndHotKey + Rows{"SimpleImageCell"});

    phone->mobileDeviceConnectionInfo()->setIsConnected(Number(true));
    page->reloadData();
    EXPECT_EQ(rowsOf(*page),
              (kHowAndHotKey + Rows{"SimpleButtonCell send_clipboard_to_ios", "SimpleImageCell"}));

    const auto& rows = page->listViewModelController()->listViewModel();
    EXPECT_EQ(rows[4]->iconName(), "initial_clipboard");
    EXPECT_EQ(rows[4]->customRowHeight(), 300);
    EXPECT_FALSE(rows[4]->primaryActionHandler());

    auto how = row(*page, "clipboard");
    EXPECT_EQ(how->descriptionText(), "clipboard_options");
    EXPECT_EQ(how->additionalText(), "read_more");
    EXPECT_FALSE(how->primaryActionHandler());
    how->secondaryActionHandler()();
    rows[3]->primaryActionHandler()();
    EXPECT_EQ(navigation->texts(), (Rows{"showClipboardHowDoesItWork", "sendClipboardToIos"}));

    // A phone known but no longer paired counts as none.
    trackedSettings()->pairingInfo()->setConnectionStatus(
        Number(kestrune::PairingInfo::kConnectionStatusUnlinkedByPhone));
    page->reloadData();
    EXPECT_EQ(rowsOf(*page).front(), std::string("CollapseCell no_paired_devices_title"));
}

TEST_F(ClipboardMenuManagerTest, TheWarningAndTheHotKeyRebuildThePage) {
    addTrackedPhone(false);
    auto page = shownPage<kestrune::ClipboardMenuManager>();
    EXPECT_EQ(styleOf(row(*page, "devices_not_connected")), 1);
    EXPECT_TRUE(row(*page, "devices_not_connected")->isCollapsed());
    row(*page, "devices_not_connected")->secondaryActionHandler()();
    EXPECT_FALSE(row(*page, "devices_not_connected")->isCollapsed());

    local().setEnableKestruneShortCutsSendClipboard(false);
    page->reloadData();
    EXPECT_FALSE(row(*page, "clipboard_shortcut_title")->isOn());
    local().setEnableKestruneShortCutsSendClipboard(true);
    row(*page, "clipboard_shortcut_title")->primaryActionHandler()();  // rebuilt after the delegate
    EXPECT_TRUE(row(*page, "clipboard_shortcut_title")->isOn());
    EXPECT_EQ(navigation->texts(), Rows{"toggleClipboardShortcut"});
}

TEST_F(ClipboardMenuManagerTest, TheWindowsSendOptionSendsOthersDoNothing) {
    auto page = makePage<kestrune::ClipboardMenuManager>();
    kestrune::ClipboardInfoViewControllerDelegate& answering = *page;
    answering.clipboardInfoViewController_didSelectOption(nullptr, 1);
    answering.clipboardInfoViewController_didSelectOption(nullptr, -1);
    EXPECT_TRUE(navigation->calls().empty());
    answering.clipboardInfoViewController_didSelectOption(nullptr, 0);
    EXPECT_EQ(navigation->texts(), Rows{"sendClipboardToIos"});

    navigation.reset();  // the delegate is held weakly
    answering.clipboardInfoViewController_didSelectOption(nullptr, 0);
}

// Tables joined from several branches must not say one key twice: the later text silently wins.
TEST_F(ClipboardMenuManagerTest, TheEnglishTableHasOneTextPerKey) {
    std::ifstream table(platform::Bundle::main().resourcePath() + "/en.lproj/Localizable.strings");
    ASSERT_TRUE(table.good());
    const std::regex entry(R"re(^\s*"((?:[^"\\]|\\.)*)"\s*=)re");
    std::map<std::string, int> seen;
    std::string line;
    while (std::getline(table, line)) {
        std::smatch m;
        if (std::regex_search(line, m, entry)) ++seen[m[1]];
    }
    EXPECT_GT(seen.size(), 100u);
    for (const auto& [key, count] : seen) EXPECT_EQ(count, 1) << key;
    for (const char* key : {"clipboard", "clipboard_options", "read_more", "send_clipboard_to_ios",
                            "clipboard_shortcut_title", "clipboard_shortcut_description"})
        EXPECT_EQ(seen.count(key), 1u) << key;
}

}  // namespace
}  // namespace pagetests
