// The browser windows' rules that need no window: address history, address
// box keys, caption, and the toolbar row's arithmetic.
#pragma once
#include <string>
#include <vector>

const int MaxHistoryEntries = 24;

// "title - product": the page title as reported, the product name trimmed.
std::string FormatCaption(const std::string& pageTitle, const std::string& productTitle);

// What a reported address does to the history (newest first).
struct THistoryUpdate {
    bool insert = false;    // as entry 0
    bool dropLast = false;  // after inserting
    int select = -1;
};
THistoryUpdate PlanHistoryUpdate(const std::vector<std::string>& entries, const std::string& url);

// The entry an arrow key moves to, or -1 when the key is left to the editor.
enum class TAddressKey { Previous, Next, Other };
int AddressKeyTarget(TAddressKey key, int index, int count);

// The row inside the cool bar's panel.
struct TToolbarRowInput {
    int menuLeft, menuWidth;
    int toolbarWidth;  // already shrunk to its visible buttons
    int panelWidth, panelHeight;
    int goWidth, goHeight;
    int addressHeight;
};
struct TToolbarRow {
    int toolbarLeft;
    int goLeft, goTop;
    int addressLeft, addressTop, addressWidth;
};
TToolbarRow ComputeToolbarRow(const TToolbarRowInput& in);

// Right edges of the three status panels for a status bar's client width:
// panel 1 holds the progress bar, panel 2 is as wide as the window wants.
const int ProgressPanelWidth = 200;
struct TStatusPanels {
    int rights[3];
};
TStatusPanels ComputeStatusPanels(int clientWidth, int lastPanelWidth);
