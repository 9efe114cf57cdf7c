#include "export/Form8.h"

#include "app/AppContext.h"
#include "export/CsvExport.h"
#include "platform/Dialogs.h"
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

Form8::Form8(AppContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    setObjectName("Form8");
    setWindowTitle("Save  in CSV format");

    Label3 = new QLabel("Save in the Excel csv format", this);
    Drive1 = new DriveListBox(this);
    Dir1 = new DirListBox(this);
    File1 = new PatternFileList(this);
    Label2 = new QLabel("Input the File name without the extension", this);
    Text1 = new QLineEdit(this);
    Command1 = new QPushButton("OK", this);
    Command2 = new QPushButton("Cancel", this);
    Label3->setObjectName("Label3");
    Drive1->setObjectName("Drive1");
    Dir1->setObjectName("Dir1");
    File1->setObjectName("File1");
    Label2->setObjectName("Label2");
    Text1->setObjectName("Text1");
    Command1->setObjectName("Command1");
    Command2->setObjectName("Command2");

    auto* layout = new QVBoxLayout(this);
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
    setTabOrder(Drive1, Dir1);
    setTabOrder(Dir1, File1);
    setTabOrder(File1, Text1);
    setTabOrder(Text1, Command1);
    setTabOrder(Command1, Command2);

    File1->SetPattern("*.csv");
    Drive1->ShowDriveOf(ToPath(QDir::currentPath()));
    Dir1->SetPath(ToPath(QDir::currentPath()));
    File1->SetPath(Dir1->Path());

    connect(Drive1, &DriveListBox::Change, this, &Form8::Form8_Drive1_Change);
    connect(Dir1, &DirListBox::Change, this, &Form8::Form8_Dir1_Change);
    connect(File1, &PatternFileList::fileClicked, this, &Form8::Form8_File1_Click);
    connect(Command1, &QPushButton::clicked, this, &Form8::Form8_Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form8::Form8_Command2_Click);
}

void Form8::PrepareAndShow() {
    File1->SetPath(Dir1->Path());
    Text1->clear();
    show();
    raise();
    activateWindow();
}

void Form8::Form8_Drive1_Change() { FollowDrive(*Drive1, *Dir1); }

void Form8::Form8_Dir1_Change() { File1->SetPath(Dir1->Path()); }

void Form8::Form8_File1_Click() {
    const QString name = File1->FileName();
    if (!name.isEmpty()) {
        Text1->setText(name.size() >= 4 ? name.chopped(4) : QString());
    }
}

void Form8::Form8_Command1_Click() {
    if (Text1->text().isEmpty()) {
        m_context.dialogs.Message(" Input the File name ");
        return;
    }
    const std::filesystem::path file =
        exporting::ComposeTargetPath(File1->Path(), ToPath(Text1->text()), ".csv");
    const exporting::ExportResult result =
        exporting::ExportTableCsv(m_context.table, m_context.root, file);
    switch (result.status) {
    case exporting::ExportStatus::Written:
        m_context.dialogs.Message("  Data saved in the Excel csv format ",
                                  platform::MessageIcon::None);
        hide();
        return;
    case exporting::ExportStatus::NoSelection:
        m_context.dialogs.Message(" No material file is selected ");
        return;
    case exporting::ExportStatus::CannotLoad:
        m_context.dialogs.Message(" The material file could not be read again: " + result.detail +
                                  " ");
        return;
    case exporting::ExportStatus::CannotWrite:
        m_context.dialogs.Message(" The file " + ToQString(result.file).toStdString() +
                                  " could not be written: " + result.detail + " ");
        return;
    }
}

void Form8::Form8_Command2_Click() { hide(); }
