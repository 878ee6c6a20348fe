#include "console/page_tabs.h"

#include <algorithm>

namespace Console {

int captionPageForTab(int visibleTabIndex, const std::array<bool, kPageCount>& tabVisible) {
    const auto shown = std::count(tabVisible.begin(), tabVisible.end(), true);
    if (visibleTabIndex < 0 || visibleTabIndex >= shown)
        return -1;
    if (tabVisible[static_cast<std::size_t>(visibleTabIndex)])
        return visibleTabIndex;
    return visibleTabIndex + 1 < kPageCount ? visibleTabIndex + 1 : -1;
}

} // namespace Console
