#include "mount/mount_window.h"

#include "app/localize.h"

namespace Mount {

TForm5::TForm5(QWidget* parent) : App::FormBase(parent) {
    setObjectName(QStringLiteral("TForm5"));
    setFixedSize(249, 180);
    setWindowTitle(App::LocalizeText(QStringLiteral("Mount Disk")));
}

} // namespace Mount
