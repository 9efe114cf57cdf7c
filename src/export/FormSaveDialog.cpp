#include "export/FormSaveDialog.h"

#include "platform/qt/DirListBox.h"
#include "platform/qt/DriveListBox.h"
#include "platform/qt/FollowDrive.h"
#include "platform/qt/PathText.h"
#include "platform/qt/PatternFileList.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

void SaveDialogControls::BuildSaveDialog(QWidget& dialog, const QString& heading,
                                         const std::string& pattern) {
    Label3 = new QLabel(heading, &dialog);
    Drive1 = new DriveListBox(&dialog);
    Dir1 = new DirListBox(&dialog);
    File1 = new PatternFileList(&dialog);
    Label2 = new QLabel("Input the File name without the extension", &dialog);
    Text1 = new QLineEdit(&dialog);
    Command1 = new QPushButton("OK", &dialog);
    Command2 = new QPushButton("Cancel", &dialog);
    Label3->setObjectName("Label3");
    Drive1->setObjectName("Drive1");
    Dir1->setObjectName("Dir1");
    File1->setObjectName("File1");
    Label2->setObjectName("Label2");
    Text1->setObjectName("Text1");
    Command1->setObjectName("Command1");
    Command2->setObjectName("Command2");

    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(Label3);
    layout->addWidget(Drive1);
    layout->addWidget(Dir1);
    layout->addWidget(File1);
    layout->addWidget(Label2);
    layout->addWidget(Text1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    layout->addLayout(buttons);
    QWidget::setTabOrder(Drive1, Dir1);
    QWidget::setTabOrder(Dir1, File1);
    QWidget::setTabOrder(File1, Text1);
    QWidget::setTabOrder(Text1, Command1);
    QWidget::setTabOrder(Command1, Command2);

    File1->SetPattern(pattern);
    Drive1->ShowDriveOf(ToPath(QDir::currentPath()));
    Dir1->SetPath(ToPath(QDir::currentPath()));
    File1->SetPath(Dir1->Path());
}

void SaveDialogControls::PrepareSaveDialog(QWidget& dialog) {
    File1->SetPath(Dir1->Path());
    Text1->clear();
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
}

void SaveDialogControls::FollowDriveChange() { FollowDrive(*Drive1, *Dir1); }

void SaveDialogControls::FollowFolderChange() { File1->SetPath(Dir1->Path()); }

void SaveDialogControls::TakeClickedName() {
    const QString name = File1->FileName();
    if (!name.isEmpty()) {
        Text1->setText(name.size() >= 4 ? name.chopped(4) : QString());
    }
}
