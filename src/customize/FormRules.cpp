#include "customize/FormRules.h"

#include "server/ServerText.h"
#include "shell/DialogRules.h"

int AddressItemOf(const std::string& ip) { return IsLoopbackOnly(ip) ? 0 : 1; }

std::string AddressSettingOf(int itemIndex) { return itemIndex == 0 ? LoopbackAddress : "all"; }

TAboutLayout LayOutAbout(int clientWidth, int iconWidth, int titleWidth, int versionWidth, int noticeWidth) {
    const int titleLeft = CenteredStart(0, clientWidth, titleWidth);
    return {titleLeft, titleLeft - iconWidth - AboutIconGap, CenteredStart(0, clientWidth, versionWidth),
            CenteredStart(0, clientWidth, noticeWidth)};
}
