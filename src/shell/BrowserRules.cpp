#include "shell/BrowserRules.h"

#include <algorithm>

#include "util/Text.h"

std::string FormatCaption(const std::string& pageTitle, const std::string& productTitle) {
    return pageTitle + " - " + Trim(productTitle);
}

THistoryUpdate PlanHistoryUpdate(const std::vector<std::string>& entries, const std::string& url) {
    THistoryUpdate update;
    const auto found = std::find(entries.begin(), entries.end(), url);
    if (found != entries.end()) {
        update.select = static_cast<int>(found - entries.begin());
        return update;
    }
    update.insert = true;
    update.dropLast = static_cast<int>(entries.size()) + 1 > MaxHistoryEntries;
    update.select = 0;
    return update;
}

int AddressKeyTarget(TAddressKey key, int index, int count) {
    if (key == TAddressKey::Previous && index > 0) return index - 1;
    if (key == TAddressKey::Next && index < count - 1) return index + 1;
    return -1;
}

TToolbarRow ComputeToolbarRow(const TToolbarRowInput& in) {
    TToolbarRow row;
    row.toolbarLeft = in.menuLeft + in.menuWidth;
    row.goLeft = in.panelWidth - in.goWidth - 4;
    row.goTop = (in.panelHeight - in.goHeight) / 2;
    row.addressLeft = row.toolbarLeft + in.toolbarWidth + 8;
    row.addressTop = (in.panelHeight - in.addressHeight) / 2;
    row.addressWidth = row.goLeft - row.addressLeft - 4;
    return row;
}

TStatusPanels ComputeStatusPanels(int clientWidth, int lastPanelWidth) {
    const int width0 = clientWidth - ProgressPanelWidth - lastPanelWidth;
    return {{width0, width0 + ProgressPanelWidth, clientWidth}};
}
