#include "app/app_windows.h"

#include "console/console_dialogs.h"
#include "console/console_window.h"
#include "discovery/scan_window.h"
#include "login/admin_login_window.h"
#include "login/device_login_window.h"
#include "mount/mount_window.h"
#include "web/web_settings.h"

namespace App {

WindowSet::WindowSet(const Base::NetworkSettings& settings, std::function<void()> onQuit)
    : m_settings(settings), m_onQuit(std::move(onQuit)) {
    m_form1 = std::make_unique<Discovery::TForm1>(m_settings);
    m_form2 = std::make_unique<Console::TForm2>(Web::settingsFor(m_settings));
    m_form3 = std::make_unique<Login::TForm3>();
    m_form4 = std::make_unique<Login::TForm4>(Web::settingsFor(m_settings));
    m_form5 = std::make_unique<Mount::TForm5>();
    m_form6 = std::make_unique<Console::TForm6>();
    m_form7 = std::make_unique<Console::TForm7>();
    m_form8 = std::make_unique<Console::TForm8>();
    m_form9 = std::make_unique<Console::TForm9>();
    m_form10 = std::make_unique<Console::TForm10>();
    m_form11 = std::make_unique<Console::TForm11>();
    m_form2->setDialogs({m_form6.get(), m_form7.get(), m_form8.get(), m_form9.get(), m_form10.get(), m_form11.get()});
    connectMoves();
}

WindowSet::~WindowSet() = default;

void WindowSet::showScanWindow() {
    m_form1->showAndRaise();
}

void WindowSet::connectMoves() {
    QObject::connect(m_form1.get(), &Discovery::TForm1::deviceChosen, m_form1.get(), [this] {
        m_form4->showForPassword();
        m_form1->hide();
    });
    // The scan window is the main window: closing it ends the program whatever else is open.
    QObject::connect(m_form1.get(), &Ui::FormBase::closed, m_form1.get(), [this] {
        if (m_onQuit)
            m_onQuit();
    });
    QObject::connect(m_form4.get(), &Login::TForm4::mountChosen, m_form5.get(), [this](const QStringList& folders) {
        m_form5->setFolders(folders);
        m_form5->showAndRaise();
    });
    QObject::connect(m_form4.get(), &Login::TForm4::managementChosen, m_form2.get(),
                     [this] { m_form2->showOnFirstPage(); });
    QObject::connect(m_form4.get(), &Ui::FormBase::closed, m_form4.get(), [this] {
        m_form4->hide();
        m_form1->showAndRaise();
    });
    QObject::connect(m_form5.get(), &Ui::FormBase::closed, m_form5.get(), [this] {
        m_form5->hide();
        m_form4->showAndRaise();
    });
    QObject::connect(m_form2.get(), &Ui::FormBase::closed, m_form2.get(), [this] {
        m_form2->hide();
        m_form4->showAndRaise();
    });
    QObject::connect(m_form2.get(), &Console::TForm2::administratorLoginRequested, m_form3.get(),
                     [this] { m_form3->showAndRaise(); });
    QObject::connect(m_form2.get(), &Console::TForm2::rescanRequested, m_form1.get(), [this] {
        m_form1->showAndRaise();
        m_form1->ScanBtnClick();
    });
    QObject::connect(m_form3.get(), &Login::TForm3::passwordConfirmed, m_form3.get(), [this] {
        m_form2->setEnabled(true);
        m_form2->clearAdministratorFields();
        m_form2->showAndRaise();
    });
    QObject::connect(m_form3.get(), &Login::TForm3::gaveUp, m_form3.get(), [this] {
        m_form2->setEnabled(true);
        m_form2->hide();
        m_form2->clearAdministratorFields();
        m_form1->showAndRaise();
    });
    QObject::connect(m_form3.get(), &Ui::FormBase::closed, m_form3.get(), [this] {
        m_form2->setEnabled(true);
        m_form2->hide();
        m_form3->hide();
        m_form1->showAndRaise();
    });
}

} // namespace App
