#include "export/Form8.h"

#include "app/AppContext.h"
#include "export/CsvExport.h"
#include "platform/Dialogs.h"
#include "platform/qt/DirListBox.h"
#include "platform/qt/DriveListBox.h"
#include "platform/qt/PathText.h"
#include "platform/qt/PatternFileList.h"

#include <QLineEdit>
#include <QPushButton>

Form8::Form8(AppContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    setObjectName("Form8");
    setWindowTitle("Save  in CSV format");

    BuildSaveDialog(*this, "Save in the Excel csv format", "*.csv");

    connect(Drive1, &DriveListBox::Change, this, &Form8::Form8_Drive1_Change);
    connect(Dir1, &DirListBox::Change, this, &Form8::Form8_Dir1_Change);
    connect(File1, &PatternFileList::fileClicked, this, &Form8::Form8_File1_Click);
    connect(Command1, &QPushButton::clicked, this, &Form8::Form8_Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form8::Form8_Command2_Click);
}

void Form8::PrepareAndShow() { PrepareSaveDialog(*this); }

void Form8::Form8_Drive1_Change() { FollowDriveChange(); }

void Form8::Form8_Dir1_Change() { FollowFolderChange(); }

void Form8::Form8_File1_Click() { TakeClickedName(); }

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
