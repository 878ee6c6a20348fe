// The console pages from Maintenance to Disk Utility and the six small dialogs, as laid out: every named
// control with its kind, limits and starting state, and every caption through the language file.

#include "base/localize.h"
#include "console/console_dialogs.h"
#include "console/disk_tab.h"
#include "console/ftp_account_tab.h"
#include "console/ftp_tab.h"
#include "console/maintenance_tab.h"
#include "console/smb_tab.h"
#include "stub_console.h"
#include "ui/form_base.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

#include <gtest/gtest.h>

// Readable failures: gtest would print these as raw bytes.
static void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
static void PrintTo(const QColor& colour, std::ostream* os) {
    *os << colour.name().toStdString();
}

namespace {

constexpr int kNoLimit = 32767; // QLineEdit's own maximum: no limit of ours

QString qs(const char* text) {
    return QString::fromUtf8(text);
}

// A fresh current directory holding a language file for the life of the object.
class LanguageDir {
public:
    explicit LanguageDir(const QByteArray& contents) : m_previous(QDir::currentPath()) {
        QDir::setCurrent(m_dir.path());
        QFile file(QStringLiteral("language"));
        if (file.open(QIODevice::WriteOnly))
            file.write(contents);
        file.close();
        Base::reloadLanguageFile();
    }
    ~LanguageDir() {
        QDir::setCurrent(m_previous);
        Base::reloadLanguageFile();
    }
    LanguageDir(const LanguageDir&) = delete;
    LanguageDir& operator=(const LanguageDir&) = delete;

private:
    QTemporaryDir m_dir;
    QString m_previous;
};

// Every key translated to "T:" + key, so a caption shows which key it was looked up with.
QByteArray markedLanguage(const QStringList& keys) {
    QByteArray file;
    for (const QString& key : keys)
        file += (key + QStringLiteral("=T:") + key + QStringLiteral("\r\n")).toUtf8();
    return file;
}

using QuietConsole = ConsoleTest::StubConsole;

QuietConsole& quietConsole() {
    static QuietConsole console;
    return console;
}

struct Pages {
    Pages() {
        // As the console hosts them: tabs of a page control inside a shown window of the window set, whose
        // style sheet has then reached every control.
        window.setFixedSize(595, 586);
        pageControl = new QTabWidget(&window);
        pageControl->setGeometry(8, 8, 569, 537);
        for (QWidget* page : all())
            pageControl->addTab(page, page->objectName());
        window.show();
    }
    // Each page translates its own captions, "Set" among them.
    void translate() {
        for (Console::ConsolePage* page : all())
            page->translateCaptions();
    }
    QList<Console::ConsolePage*> all() const { return {maintenance, smb, ftp, account, disk}; }

    // The one control of that name on any of the pages.
    QWidget* control(const char* name) const {
        QList<QWidget*> found;
        for (QWidget* page : all())
            found += page->findChildren<QWidget*>(qs(name));
        return found.size() == 1 ? found.first() : nullptr;
    }

    Ui::FormBase window;
    QTabWidget* pageControl = nullptr;
    Console::MaintenanceTab* maintenance = new Console::MaintenanceTab(quietConsole());
    Console::SmbTab* smb = new Console::SmbTab(quietConsole());
    Console::FtpTab* ftp = new Console::FtpTab(quietConsole());
    Console::FtpAccountTab* account = new Console::FtpAccountTab(quietConsole());
    Console::DiskTab* disk = new Console::DiskTab(quietConsole());
};

QString captionOf(const QWidget* widget) {
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text();
    if (const auto* box = qobject_cast<const QGroupBox*>(widget))
        return box->title();
    return QStringLiteral("<no caption>");
}

struct Control {
    const char* name;
    const char* kind;
    const char* key = nullptr; // the text its caption is translated from, if the console translates one
    int maxLength = -1;        // -1: not an edit, or no limit stated
    bool enabled = true;
    bool shown = true;
    bool masked = false;
};

// Every named control of the five pages, page by page.
const Control kControls[] = {
    {"FirmUpGB", "QGroupBox", "Firmware Upload"},
    {"Label28", "QLabel", "Upload Firmware"},
    {"FirmFileEdit", "QLineEdit", nullptr, -1, false},
    {"BrowseBtn", "QPushButton", "Browse..."},
    {"UploadBtn", "QPushButton", "Upload", -1, false},
    {"SysRebootGB", "QGroupBox", "System Reboot"},
    {"Label29", "QLabel"},
    {"RebootBtn", "QPushButton", "Reboot"},
    {"FactoryDefGB", "QGroupBox", "Factory Defaults"},
    {"Label30", "QLabel"},
    {"ResetBtn", "QPushButton", "Reset"},
    {"Label31", "QLabel", "Wait a minute...", -1, true, false},
    {"Label32", "QLabel", "Maintenance Action Successful", -1, true, false},
    {"ProgressBar1", "QProgressBar", nullptr, -1, true, false},

    {"SMBGB", "QGroupBox", "SMB Server"},
    {"Label39", "QLabel", "Folder List"},
    {"Label40", "QLabel", "Sharing List"},
    {"SMBFolderLB", "QListWidget"},
    {"SMBPublicFolderLB", "QListWidget"},
    {"MovetoPublicBtn", "QPushButton", "-->", -1, false},
    {"MovetoSMBBtn", "QPushButton", "<--", -1, false},
    {"ShowCreateBtn", "QPushButton", "Create"},
    {"ShowRenameBtn", "QPushButton", "Rename", -1, false},
    {"ShowDeleteBtn", "QPushButton", "Delete", -1, false},
    {"ShowPublicPassBtn", "QPushButton", "Password", -1, false},

    {"FTPConfGB", "QGroupBox", "FTP Configuration"},
    {"Label41", "QLabel", "FTP Status"},
    {"FTPStatusCB", "QComboBox"},
    {"Label43", "QLabel", "Port"},
    {"FTPPortEdit", "QLineEdit", nullptr, 5},
    {"Label44", "QLabel", "(21 or 1025-65500) "},
    {"FTPStatusBtn", "QPushButton", "Set"},
    {"Label42", "QLabel", "Allow anonymous"},
    {"FTPAnonyStatusPL", "QWidget"},
    {"AnonyEnRB", "QRadioButton", "Enable"},
    {"AnonyDisRB", "QRadioButton", "Disable"},
    {"FTPAnonyReWrPL", "QWidget"},
    {"AnonyReadORB", "QRadioButton", "Read only"},
    {"AnonyWriteRB", "QRadioButton", "Read/Write"},
    {"Label45", "QLabel", "Home Directory"},
    {"AnonyHDCB", "QComboBox"},
    {"AnonyBtn", "QPushButton", "Set"},
    {"FTPCreatAccGB", "QGroupBox", "Account List "},
    {"AccountLV", "QTableWidget"},
    {"AccAddBtn", "QPushButton", "Create"},
    {"AccModifyBtn", "QPushButton", "Modify", -1, false},
    {"AccStatusBtn", "QPushButton", "En/Disable", -1, false},
    {"AccDelBtn", "QPushButton", "Delete", -1, false},

    {"ModifyFTPGB", "QGroupBox", "Modify FTP Account"},
    {"Label46", "QLabel", "Account"},
    {"ModFTPAccLabel", "QLabel"},
    {"Label47", "QLabel", "Password"},
    {"ModFTPPassEdit", "QLineEdit", nullptr, 12, true, true, true},
    {"Label48", "QLabel", "Access"},
    {"ModFTPReadRB", "QRadioButton", "Read only"},
    {"ModFTPWriteRB", "QRadioButton", "Read/Write"},
    {"ModFTPBtn", "QPushButton", "Set"},
    {"ModFTPFolderGB", "QGroupBox", "Modify FTP Account Folder List"},
    {"Label49", "QLabel", "Folder List"},
    {"Label50", "QLabel", "Sharing List "},
    {"FTPSFLB", "QListWidget"},
    {"FTPSSharLB", "QListWidget"},
    {"ModMovetoSharBtn", "QPushButton", "-->", -1, false},
    {"ModMovetoFolderBtn", "QPushButton", "<--", -1, false},
    {"ShowModCreateBtn", "QPushButton", "Create"},
    {"ShowModRenameBtn", "QPushButton", "Rename", -1, false},
    {"ModDelBtn", "QPushButton", "Delete", -1, false},
    {"BackBtn", "QPushButton", "Back"},

    {"DiskUtiilityGB", "QGroupBox", "Disk Tools"},
    {"Label55", "QLabel", "Format Disk"},
    {"DiskFormatBtn", "QPushButton", "Format"},
    {"Label56", "QLabel", "Sleep Time"},
    {"DiskSleepTimeEdit", "QLineEdit", nullptr, 2},
    {"Label57", "QLabel", "(min)"},
    {"Label59", "QLabel", "(0 to disable, range 5-60 to enable)"},
    {"DiskSleepBtn", "QPushButton", "Set"},
    {"ScanDiskGB", "QGroupBox", "Scan Disk"},
    {"Label58", "QLabel", "Scan Disk"},
    {"DiskScanBtn", "QPushButton", "Start"},
    {"DiskDelMsgBtn", "QPushButton", "Delete Error Msg", -1, false},
    {"DiskRefBtn", "QPushButton", "Stop Refresh Error Msg"},
    {"DiskScanMO", "QPlainTextEdit"},
};

const char* const kAccountTitles[] = {"User Name", "Password", "Access", "En/Disable"};
const char* const kExplanationPieces[] = {
    "Click Reboot to have the device perform a software restart.",
    "The SYS LED blinks ",
    "as the device restarts and then steady on if the restarts is successful.",
    "Wait a minute before logging into the device again.",
    "Click Reset to clear all configuration and restore to default settings.",
    "Please click \"Reboot\" after reset.",
};

QStringList allKeys() {
    QStringList keys{QStringLiteral("Value")};
    for (const Control& control : kControls)
        if (control.key != nullptr)
            keys << qs(control.key);
    for (const char* key : kAccountTitles)
        keys << qs(key);
    for (const char* key : kExplanationPieces)
        keys << qs(key);
    keys.removeDuplicates();
    return keys;
}

TEST(ConsolePages, EveryCaptionIsLookedUpWithItsOwnKey) {
    LanguageDir language(markedLanguage(allKeys()));
    Pages pages;
    // As the console does: "Set" translated once for all its Set buttons.
    pages.translate();

    for (const Control& control : kControls) {
        if (control.key == nullptr)
            continue;
        SCOPED_TRACE(control.name);
        const QWidget* widget = pages.control(control.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(captionOf(widget), QStringLiteral("T:") + qs(control.key));
    }

    // Joined from pieces translated one by one, the blank lines between them.
    EXPECT_EQ(captionOf(pages.control("Label29")),
              qs("T:Click Reboot to have the device perform a software restart.T:The SYS LED blinks \n\n"
                 "T:as the device restarts and then steady on if the restarts is successful.\n\n"
                 "T:Wait a minute before logging into the device again."));
    EXPECT_EQ(captionOf(pages.control("Label30")),
              qs("T:Click Reset to clear all configuration and restore to default settings.\n\n"
                 "T:Please click \"Reboot\" after reset."));

    QTableWidget* accounts = pages.ftp->accountLV();
    ASSERT_EQ(accounts->columnCount(), 5);
    for (int column = 0; column < 4; ++column)
        EXPECT_EQ(accounts->horizontalHeaderItem(column)->text(), QStringLiteral("T:") + qs(kAccountTitles[column]));
    // Not a caption of the console: the hidden column. The status items are the program's words too.
    EXPECT_EQ(accounts->horizontalHeaderItem(4)->text(), QStringLiteral("Value"));
    QComboBox* status = pages.ftp->ftpStatusCB();
    ASSERT_EQ(status->count(), 2);
    EXPECT_EQ(status->itemText(0), QStringLiteral("T:Enable"));
    EXPECT_EQ(status->itemText(1), QStringLiteral("T:Disable"));
}

void expectControl(const QWidget* widget, const Control& expected) {
    ASSERT_NE(widget, nullptr) << "missing, or more than one of that name";
    EXPECT_TRUE(widget->inherits(expected.kind)) << widget->metaObject()->className();
    EXPECT_EQ(widget->isEnabled(), expected.enabled);
    EXPECT_EQ(!widget->isHidden(), expected.shown);
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) {
        if (expected.maxLength >= 0) {
            EXPECT_EQ(edit->maxLength(), expected.maxLength);
        }
        EXPECT_EQ(edit->echoMode() == QLineEdit::Password, expected.masked);
    }
}

TEST(ConsolePages, EveryNamedControlHasItsKindLimitAndStartingState) {
    Pages pages;
    for (const Control& expected : kControls) {
        SCOPED_TRACE(expected.name);
        expectControl(pages.control(expected.name), expected);
    }

    EXPECT_EQ(pages.maintenance->waitBar()->maximum(), 300);
    EXPECT_TRUE(pages.disk->diskScanMO()->isReadOnly());
    for (QComboBox* box : {pages.ftp->ftpStatusCB(), pages.ftp->anonyHDCB()})
        EXPECT_TRUE(box->isEditable()) << "both accept typed text";

    QTableWidget* accounts = pages.ftp->accountLV();
    const int widths[] = {150, 150, 110, 106};
    for (int column = 0; column < 4; ++column)
        EXPECT_EQ(accounts->columnWidth(column), widths[column]);
    EXPECT_TRUE(accounts->isColumnHidden(4));

    // Timers that the console starts and stops itself.
    for (QTimer* timer : {pages.maintenance->waitTimer(), pages.disk->refreshTimer()}) {
        EXPECT_EQ(timer->interval(), 1000);
        EXPECT_FALSE(timer->isActive());
    }
    EXPECT_EQ(pages.maintenance->openDialog()->nameFilters(), QStringList{QStringLiteral("bin file (*.bin)")});
}

TEST(ConsolePages, EachRadioPairChoosesOnItsOwn) {
    Pages pages;
    const std::pair<QRadioButton*, QRadioButton*> pairs[] = {
        {pages.ftp->anonyEnRB(), pages.ftp->anonyDisRB()},
        {pages.ftp->anonyReadORB(), pages.ftp->anonyWriteRB()},
        {pages.account->modFTPReadRB(), pages.account->modFTPWriteRB()},
    };
    for (const auto& [first, second] : pairs)
        first->setChecked(true);
    for (const auto& [first, second] : pairs) {
        SCOPED_TRACE(first->objectName().toStdString());
        EXPECT_TRUE(first->isChecked()) << "a choice in another pair must not clear it";
        second->setChecked(true);
        EXPECT_FALSE(first->isChecked());
    }
}

TEST(ConsolePages, TextIsNavyAndReadValuesMaroonInsideAStyledWindow) {
    const QColor maroon(0x80, 0x00, 0x00);
    const QStringList maroonLabels{QStringLiteral("Label31"), QStringLiteral("Label32"),
                                   QStringLiteral("ModFTPAccLabel")};
    Pages pages;
    for (const Control& control : kControls) {
        SCOPED_TRACE(control.name);
        const QWidget* widget = pages.control(control.name);
        ASSERT_NE(widget, nullptr);
        const QPalette::ColorRole role =
            qobject_cast<const QAbstractButton*>(widget) ? QPalette::ButtonText : QPalette::WindowText;
        const QColor expected = maroonLabels.contains(qs(control.name)) ? maroon : Ui::kNavy;
        EXPECT_EQ(widget->palette().color(QPalette::Active, role), expected);
    }
}

// A caption wider than its control is cut off on screen.
int neededWidth(const QWidget* widget) {
    const int text = widget->fontMetrics().horizontalAdvance(captionOf(widget));
    if (qobject_cast<const QPushButton*>(widget))
        return text + 12;
    return widget->sizeHint().width();
}

TEST(ConsolePages, ControlsFitTheirFramesAndEachOther) {
    Pages pages;
    pages.translate();
    EXPECT_EQ(Console::SmbTab(quietConsole()).size(), QSize(569, 537)) << "the page control's size before it is hosted";
    for (QWidget* page : pages.all())
        for (const QGroupBox* box : page->findChildren<QGroupBox*>())
            EXPECT_EQ(box->width(), 545) << box->objectName().toStdString();

    // Hosted, a page is what the page control leaves below its tab row; every control must fit in there.
    QList<const QWidget*> placed;
    for (const Control& control : kControls) {
        SCOPED_TRACE(control.name);
        const QWidget* widget = pages.control(control.name);
        ASSERT_NE(widget, nullptr);
        // Only the page in view is given the page control's size.
        QWidget* page = widget->parentWidget();
        while (page != nullptr && !pages.all().contains(page))
            page = page->parentWidget();
        ASSERT_NE(page, nullptr);
        pages.pageControl->setCurrentWidget(page);
        ASSERT_LT(page->height(), 537);

        EXPECT_TRUE(widget->parentWidget()->rect().contains(widget->geometry()));
        const auto* label = qobject_cast<const QLabel*>(widget);
        if ((label != nullptr && !label->wordWrap()) || qobject_cast<const QAbstractButton*>(widget)) {
            EXPECT_LE(neededWidth(widget), widget->width()) << captionOf(widget).toStdString();
        } else if (label != nullptr) {
            EXPECT_LE(label->heightForWidth(label->width()), label->height()) << "the wrapped text is cut off";
        }
        for (const QWidget* other : placed) {
            // The wait and the success notice take turns in one place.
            const bool takingTurns =
                widget->objectName() == QStringLiteral("Label32") && other->objectName() == QStringLiteral("Label31");
            if (other->parentWidget() == widget->parentWidget() && !takingTurns) {
                EXPECT_FALSE(widget->geometry().intersects(other->geometry())) << other->objectName().toStdString();
            }
        }
        placed.append(widget);
    }
}

struct Field {
    const char* name;
    int maxLength;
    bool enabled;
    bool masked;
};

struct Label {
    const char* name;
    const char* key;
};

struct Dialog {
    std::function<std::unique_ptr<QWidget>()> make;
    const char* objectName;
    const char* title;
    QList<Label> labels;
    QList<Field> fields;
    const char* button;
};

template <class T> std::function<std::unique_ptr<QWidget>()> maker() {
    return [] { return std::make_unique<T>(); };
}

TEST(ConsoleDialogs, TitleLabelsFieldsAndSetButtonAsLaidOut) {
    const Dialog dialogs[] = {
        {maker<Console::CreateFolderDialog>(),
         "TForm6",
         "SMB Create Folder",
         {{"Label1", "Folder Name"}},
         {{"FoldernameEdit", 12, true, false}},
         "CreateFBtn"},
        {maker<Console::RenameFolderDialog>(),
         "TForm7",
         "SMB Rename Folder",
         {{"Label1", "Old Name"}, {"Label2", "New Name"}},
         {{"OldFoldernameEdit", -1, false, false}, {"NewFoldernameEdit", 12, true, false}},
         "RenameFBtn"},
        {maker<Console::SharePasswordDialog>(),
         "TForm8",
         "SMB Share Password",
         {{"Label1", "Folder Name"}, {"Label2", "Password"}, {"Label3", "Verify Password"}},
         {{"PublicFolderEdit", -1, false, false},
          {"PublicPassEdit", kNoLimit, true, true},
          {"VerifyPassEdit", 12, true, true}},
         "PublicPassBtn"},
        {maker<Console::CreateAccountDialog>(),
         "TForm9",
         "FTPS Create Account",
         {{"Label1", "Account Name"}},
         {{"FTPAddAccEdit", 12, true, false}},
         "FTPAddAccBtn"},
        {maker<Console::CreateAccountFolderDialog>(),
         "TForm10",
         "FTPS Create Folder",
         {{"Label1", "Folder Name"}},
         {{"ModCreateFEdit", 12, true, false}},
         "ModCreateFBtn"},
        {maker<Console::RenameAccountFolderDialog>(),
         "TForm11",
         "FTPS Rename Folder",
         {{"Label1", "Old Name"}, {"Label2", "New Name"}},
         {{"ModRenOldnameEdit", 12, false, false}, {"ModRenNewnameEdit", 12, true, false}},
         "ModRenameFBtn"},
    };
    QStringList keys{QStringLiteral("Set")};
    for (const Dialog& dialog : dialogs) {
        keys << qs(dialog.title);
        for (const Label& label : dialog.labels)
            keys << qs(label.key);
    }
    keys.removeDuplicates();
    LanguageDir language(markedLanguage(keys));

    for (const Dialog& dialog : dialogs) {
        SCOPED_TRACE(dialog.objectName);
        const std::unique_ptr<QWidget> window = dialog.make();
        window->show();
        EXPECT_EQ(window->objectName(), qs(dialog.objectName));
        EXPECT_EQ(window->windowTitle(), QStringLiteral("T:") + qs(dialog.title));
        for (const Label& label : dialog.labels) {
            SCOPED_TRACE(label.name);
            const auto* widget = window->findChild<QLabel*>(qs(label.name));
            ASSERT_NE(widget, nullptr);
            EXPECT_EQ(widget->text(), QStringLiteral("T:") + qs(label.key));
            EXPECT_EQ(widget->palette().color(QPalette::Active, QPalette::WindowText), Ui::kNavy);
        }
        for (const Field& field : dialog.fields) {
            SCOPED_TRACE(field.name);
            const auto edits = window->findChildren<QLineEdit*>(qs(field.name));
            ASSERT_EQ(edits.size(), 1);
            expectControl(edits.first(),
                          {field.name, "QLineEdit", nullptr, field.maxLength, field.enabled, true, field.masked});
            EXPECT_TRUE(window->rect().contains(edits.first()->geometry()));
        }
        const auto* button = window->findChild<QPushButton*>(qs(dialog.button));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), QStringLiteral("T:Set"));
        EXPECT_TRUE(window->rect().contains(button->geometry()));
    }
}

} // namespace
