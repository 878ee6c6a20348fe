#pragma once

#include <QString>

#include <array>

namespace Console {

// The console's pages by index; the index is what SendCgi re-reads after a change.
enum PageIndex : int {
    kStatusPage = 0,
    kIpConfigPage = 1,
    kMaintenancePage = 2,
    kSmbPage = 3,
    kFtpPage = 4,
    kModifyFtpPage = 5,
    kDiskPage = 6,
};
inline constexpr int kPageCount = 7;

// Which page's caption a tab shows. The tab index counts visible tabs only; the
// page of the same index is taken when its tab is visible, otherwise the next
// one, which is right while only the "Modify FTP" tab can be hidden.
// -1 when there is no such visible tab.
int captionPageForTab(int visibleTabIndex, const std::array<bool, kPageCount>& tabVisible);

} // namespace Console
