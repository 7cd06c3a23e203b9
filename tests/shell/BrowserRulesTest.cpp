// Address history, address keys, caption and the toolbar row.
#include <doctest/doctest.h>

#include "shell/BrowserRules.h"

TEST_CASE("history plan") {
    std::vector<std::string> entries;
    for (int i = 0; i < MaxHistoryEntries - 1; ++i) entries.push_back(std::string(1, 'u').append(std::to_string(i)));

    THistoryUpdate update = PlanHistoryUpdate(entries, "new");
    CHECK(update.insert);
    CHECK_FALSE(update.dropLast);  // 24 after inserting
    CHECK(update.select == 0);

    entries.push_back("last");
    update = PlanHistoryUpdate(entries, "newer");
    CHECK(update.dropLast);

    update = PlanHistoryUpdate(entries, "u3");
    CHECK_FALSE(update.insert);
    CHECK(update.select == 3);
    CHECK(PlanHistoryUpdate(entries, "U3").insert);
}

TEST_CASE("address key targets") {
    CHECK(AddressKeyTarget(TAddressKey::Previous, 0, 3) == -1);
    CHECK(AddressKeyTarget(TAddressKey::Previous, 2, 3) == 1);
    CHECK(AddressKeyTarget(TAddressKey::Next, 2, 3) == -1);
    CHECK(AddressKeyTarget(TAddressKey::Next, -1, 3) == 0);
    CHECK(AddressKeyTarget(TAddressKey::Next, -1, 0) == -1);
    CHECK(AddressKeyTarget(TAddressKey::Previous, -1, 3) == -1);
    CHECK(AddressKeyTarget(TAddressKey::Other, 1, 3) == -1);
}

TEST_CASE("caption and trimming") {
    CHECK(FormatCaption(" A ", "\t Vadrome \r\n") == " A  - Vadrome");
}

TEST_CASE("toolbar row") {
    const TToolbarRow row = ComputeToolbarRow({2, 16, 300, 800, 52, 51, 26, 22});
    CHECK(row.toolbarLeft == 18);
    CHECK(row.goLeft == 800 - 51 - 4);
    CHECK(row.goTop == 13);
    CHECK(row.addressLeft == 18 + 300 + 8);
    CHECK(row.addressTop == 15);
    CHECK(row.addressLeft + row.addressWidth + 4 == row.goLeft);

    const TStatusPanels panels = ComputeStatusPanels(700, 60);
    CHECK(panels.rights[0] == 440);
    CHECK(panels.rights[1] == 640);
    CHECK(panels.rights[2] == 700);
    CHECK(ComputeStatusPanels(700, 80).rights[1] == 620);
}
