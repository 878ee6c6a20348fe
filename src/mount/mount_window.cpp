#include "mount/mount_window.h"

#include "app/localize.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace Mount {

namespace {

template <class W> W* styled(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    QFont font = widget->font();
    font.setPixelSize(13);
    widget->setFont(font);
    QPalette pal = widget->palette();
    pal.setColor(QPalette::WindowText, App::kNavy);
    pal.setColor(QPalette::Text, App::kNavy);
    widget->setPalette(pal);
    return widget;
}

} // namespace

TForm5::TForm5(QWidget* parent) : App::FormBase(parent) {
    setObjectName(QStringLiteral("TForm5"));
    setFixedSize(249, 180);

    m_Label1 = styled(new QLabel(this), "Label1");
    m_Label1->setGeometry(16, 16, 90, 21);
    m_CmbDrive = styled(new QComboBox(this), "CmbDrive");
    m_CmbDrive->setEditable(true);
    m_CmbDrive->setGeometry(112, 14, 121, 23);

    m_Label2 = styled(new QLabel(this), "Label2");
    m_Label2->setGeometry(16, 50, 90, 21);
    m_FolderCB = styled(new QComboBox(this), "FolderCB");
    m_FolderCB->setEditable(true);
    m_FolderCB->setGeometry(112, 48, 121, 23);

    m_Label3 = styled(new QLabel(this), "Label3");
    m_Label3->setGeometry(16, 84, 90, 21);
    m_FolderPassEdit = styled(new QLineEdit(this), "FolderPassEdit");
    m_FolderPassEdit->setEchoMode(QLineEdit::Password);
    m_FolderPassEdit->setGeometry(112, 82, 121, 23);

    m_MountSetBtn = styled(new QPushButton(this), "MountSetBtn");
    m_MountSetBtn->setGeometry(152, 126, 81, 33);

    setTabOrder(m_CmbDrive, m_FolderCB);
    setTabOrder(m_FolderCB, m_FolderPassEdit);
    setTabOrder(m_FolderPassEdit, m_MountSetBtn);
}

void TForm5::setFolders(const QStringList& folders) {
    m_FolderCB->clear();
    m_FolderCB->addItems(folders);
    m_FolderCB->setCurrentIndex(-1);
}

void TForm5::showEvent(QShowEvent* event) {
    setWindowTitle(App::LocalizeText(QStringLiteral("Mount Disk")));
    m_Label1->setText(App::LocalizeText(QStringLiteral("Disk Number")));
    m_Label2->setText(App::LocalizeText(QStringLiteral("Folder")));
    m_Label3->setText(App::LocalizeText(QStringLiteral("Password")));
    m_MountSetBtn->setText(App::LocalizeText(QStringLiteral("Set")));
    App::FormBase::showEvent(event);
}

} // namespace Mount
