#include "export/Form7.h"

#include "app/AppContext.h"
#include "export/CsvExport.h"
#include "graph/Form3.h"
#include "platform/Dialogs.h"
#include "platform/qt/DirListBox.h"
#include "platform/qt/DriveListBox.h"
#include "platform/qt/PathText.h"
#include "platform/qt/PatternFileList.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/SavePicture.h"

#include <QLineEdit>
#include <QPushButton>

Form7::Form7(AppContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    setObjectName("Form7");
    setWindowTitle("Image Save");

    BuildSaveDialog(*this, "Image save in bmp format", "*.bmp");

    connect(Drive1, &DriveListBox::Change, this, &Form7::Form7_Drive1_Change);
    connect(Dir1, &DirListBox::Change, this, &Form7::Form7_Dir1_Change);
    connect(File1, &PatternFileList::fileClicked, this, &Form7::Form7_File1_Click);
    connect(Command1, &QPushButton::clicked, this, &Form7::Form7_Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form7::Form7_Command2_Click);
}

void Form7::PrepareAndShow() { PrepareSaveDialog(*this); }

void Form7::Form7_Drive1_Change() { FollowDriveChange(); }

void Form7::Form7_Dir1_Change() { FollowFolderChange(); }

void Form7::Form7_File1_Click() { TakeClickedName(); }

void Form7::Form7_Command1_Click() {
    if (Text1->text().isEmpty()) {
        m_context.dialogs.Message(" Input File name  ");
        return;
    }
    const std::filesystem::path file =
        exporting::ComposeTargetPath(File1->Path(), ToPath(Text1->text()), ".bmp");
    const QImage* image = picture();
    const data::WriteResult written = image != nullptr
                                          ? SavePicture(*image, file)
                                          : data::WriteResult{false, "there is no picture"};
    if (!written.ok) {
        m_context.dialogs.Message(" The file " + ToQString(file).toStdString() +
                                  " could not be written: " + written.reason + " ");
        return;
    }
    m_context.dialogs.Message(" Image saved in bitmap format ", platform::MessageIcon::None);
    hide();
}

void Form7::Form7_Command2_Click() { hide(); }

const QImage* Form7::picture() const {
    const Form3* view = m_context.windows.form3;
    return view != nullptr && view->Picture1 != nullptr ? &view->Picture1->Image() : nullptr;
}
