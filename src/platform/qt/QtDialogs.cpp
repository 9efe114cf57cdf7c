#include "platform/qt/QtDialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

platform::MessageResult QtDialogs::MessageBox(const std::string& text, const std::string& title,
                                              platform::MessageButtons buttons,
                                              platform::MessageIcon icon) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(QString::fromStdString(title));
    box.setText(QString::fromStdString(text));
    box.setIcon(icon == platform::MessageIcon::Exclamation ? QMessageBox::Warning
                                                           : QMessageBox::NoIcon);
    if (buttons == platform::MessageButtons::OkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok ? platform::MessageResult::Ok
                                         : platform::MessageResult::Cancel;
}

std::string QtDialogs::InputBox(const std::string& prompt, const std::string& title,
                                const std::string& defaultAnswer) {
    bool accepted = false;
    const QString answer = QInputDialog::getText(
        QApplication::activeWindow(), QString::fromStdString(title), QString::fromStdString(prompt),
        QLineEdit::Normal, QString::fromStdString(defaultAnswer), &accepted);
    return accepted ? answer.toStdString() : std::string();
}
