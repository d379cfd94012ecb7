// SPDX-License-Identifier: MIT
#include <future>

#include "app/handlers/buffer_commands.hpp"
#include "gui_fixture.hpp"

namespace {

// What a real clipboard client reads, while this process's main loop keeps
// serving the selection it owns.
std::string clipboard_from_xclip() {
    std::future<std::string> reading = std::async(std::launch::async, [] {
        return command_output("timeout 10 xclip -o -selection clipboard 2>/dev/null");
    });
    while (reading.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) {
        g_main_context_iteration(nullptr, FALSE);
    }
    return reading.get();
}

// Puts `text` on the clipboard from another program.
void clipboard_set_by_xclip(const std::string& text) {
    // xclip stays behind to serve the one read that the test makes; its output
    // must not hold the test's pipes open.
    const std::string command = "printf '%s' '" + text +
                                "' | xclip -i -selection clipboard -loops 1 >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    settle();
}

class BufferCommandsTest : public MainWindowTest {
protected:
    void start(const char* cycles) {
        entry("cycles").set_text(cycles);
        click("start_button");
    }
    bool has_selection() { return widget<Gtk::TextView>("text").get_buffer()->get_has_selection(); }
};

}  // namespace

TEST_F(BufferCommandsTest, BannerUntilTheFirstStart) {
    EXPECT_EQ(status_text(), cyclotrim::start_up_banner);
    start("100");
    EXPECT_EQ(status_text(), "Created 4 lines of assembler code.");
    click("delete_button");
    EXPECT_EQ(status_text(), "Cleared 4 lines of assembler code.");
    click("copy_button");
    EXPECT_EQ(status_text(), "Nothing to copy: the buffer is empty.");
}

TEST_F(BufferCommandsTest, BannerIsReadWholeAtTheWindowsWidth) {
    auto* area = dynamic_cast<Gtk::Container*>(widget<Gtk::Statusbar>("statusbar").get_message_area());
    for (Gtk::Widget* child : area->get_children()) {
        if (auto* label = dynamic_cast<Gtk::Label*>(child)) {
            EXPECT_EQ(label->get_text(), cyclotrim::start_up_banner);
            EXPECT_FALSE(pango_layout_is_ellipsized(label->get_layout()->gobj()));
        }
    }
}

TEST_F(BufferCommandsTest, ClearOnAnEmptyBufferChangesNothing) {
    click("delete_button");
    EXPECT_EQ(buffer_text(), "");
    EXPECT_EQ(status_text(), "Nothing to clear: the buffer is empty.");
}

TEST_F(BufferCommandsTest, ClearRemovesEveryListingAndTheNextStartsAtTheTop) {
    start("100");
    const std::string hundred = buffer_text();
    start("1000");
    start("600000");
    click("delete_button");
    EXPECT_EQ(buffer_text(), "");
    start("100");
    EXPECT_EQ(buffer_text(), hundred);
    EXPECT_EQ(entry("cycles").get_text(), "100") << "Clear leaves the entries alone";
}

TEST_F(BufferCommandsTest, CopyPutsBothListingsInOrderOnTheClipboard) {
    start("1000");
    start("600000");
    const std::string both = buffer_text();
    click("copy_button");
    EXPECT_FALSE(has_selection());
    EXPECT_EQ(clipboard_from_xclip(), both);
    EXPECT_EQ(buffer_text(), both);
    EXPECT_EQ(status_text(), "Copied 16 lines of assembler code.");
    click("delete_button");
    click("copy_button");
    EXPECT_EQ(clipboard_from_xclip(), "") << "the cleared listings left the clipboard";
}

TEST_F(BufferCommandsTest, CopyOnAnEmptyBufferLeavesTheClipboardAsItWas) {
    clipboard_set_by_xclip("kept from before");
    click("copy_button");
    EXPECT_EQ(clipboard_from_xclip(), "kept from before");
    EXPECT_FALSE(has_selection());
}

TEST_F(BufferCommandsTest, CopyAfterTheUserSelectedPartCopiesEverything) {
    start("1530");
    auto buffer = widget<Gtk::TextView>("text").get_buffer();
    buffer->select_range(buffer->get_iter_at_offset(3), buffer->get_iter_at_offset(9));
    click("copy_button");
    EXPECT_EQ(clipboard_from_xclip(), buffer_text());
    EXPECT_FALSE(has_selection());
}
