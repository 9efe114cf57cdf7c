#include "export/Form7.h"

#include "app/AppContext.h"
#include "export/CsvExport.h"
#include "graph/Form3.h"
#include "platform/Dialogs.h"
#include "platform/qt/DirListBox.h"
#include "platform/qt/DriveListBox.h"
#include "platform/qt/FollowDrive.h"
#include "platform/qt/PathText.h"
#include "platform/qt/PatternFileList.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/SavePicture.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

Form7::Form7(AppContext& context, QWidget* parent) : QWidget(parent), m_context(context) {
    setObjectName("Form7");
    setWindowTitle("Image Save");

    Label3 = new QLabel("Image save in bmp format", this);
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

    File1->SetPattern("*.bmp");
    Drive1->ShowDriveOf(ToPath(QDir::currentPath()));
    Dir1->SetPath(ToPath(QDir::currentPath()));
    File1->SetPath(Dir1->Path());

    connect(Drive1, &DriveListBox::Change, this, &Form7::Form7_Drive1_Change);
    connect(Dir1, &DirListBox::Change, this, &Form7::Form7_Dir1_Change);
    connect(File1, &PatternFileList::fileClicked, this, &Form7::Form7_File1_Click);
    connect(Command1, &QPushButton::clicked, this, &Form7::Form7_Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form7::Form7_Command2_Click);
}

void Form7::PrepareAndShow() {
    File1->SetPath(Dir1->Path());
    Text1->clear();
    show();
    raise();
    activateWindow();
}

void Form7::Form7_Drive1_Change() { FollowDrive(*Drive1, *Dir1); }

void Form7::Form7_Dir1_Change() { File1->SetPath(Dir1->Path()); }

void Form7::Form7_File1_Click() {
    const QString name = File1->FileName();
    if (!name.isEmpty()) {
        Text1->setText(name.size() >= 4 ? name.chopped(4) : QString());
    }
}

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
