#pragma once

#include "app/form_base.h"

#include <QStringList>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace Mount {

// The mount dialog: maps one shared folder of the unit to a drive letter.
class TForm5 final : public App::FormBase {
    Q_OBJECT
public:
    explicit TForm5(QWidget* parent = nullptr);

    // Filled by the device login before the dialog is shown; nothing is selected.
    void setFolders(const QStringList& folders);

    QComboBox* folderBox() const { return m_FolderCB; }
    QComboBox* driveBox() const { return m_CmbDrive; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* m_Label1 = nullptr;
    QComboBox* m_CmbDrive = nullptr;
    QLabel* m_Label2 = nullptr;
    QComboBox* m_FolderCB = nullptr;
    QLabel* m_Label3 = nullptr;
    QLineEdit* m_FolderPassEdit = nullptr;
    QPushButton* m_MountSetBtn = nullptr;
};

} // namespace Mount
