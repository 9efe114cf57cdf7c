#include "platform/qt/DirListBox.h"

#include "platform/FileListing.h"
#include "platform/qt/PathText.h"

#include <system_error>

namespace {

constexpr int kPathRow = 0;
const QString kParent = QStringLiteral("..");

/// An absolute path without "." or ".." parts and without a trailing separator (a root keeps
/// its own).
std::filesystem::path tidy(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(folder, error).lexically_normal();
    if (!path.has_filename() && path != path.root_path()) {
        path = path.parent_path();
    }
    return path;
}

bool readableFolder(const std::filesystem::path& folder) {
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        return false;
    }
    std::filesystem::directory_iterator it(folder, error);
    return !error;
}

} // namespace

DirListBox::DirListBox(QWidget* parent) : QListWidget(parent) {
    connect(this, &QListWidget::itemActivated, this, &DirListBox::enter);
}

bool DirListBox::SetPath(const std::filesystem::path& folder) {
    const std::filesystem::path path = tidy(folder);
    if (path.empty() || !readableFolder(path)) {
        return false;
    }
    const bool changed = path != m_path;
    m_path = path;
    Refresh();
    if (changed) {
        emit Change(ToQString(m_path));
    }
    return true;
}

void DirListBox::Refresh() {
    clear();
    auto* pathLine = new QListWidgetItem(ToQString(m_path), this);
    pathLine->setFlags(Qt::ItemIsEnabled);
    if (m_path.parent_path() != m_path) {
        addItem(kParent);
    }
    for (const std::string& name : platform::ListFolders(m_path)) {
        addItem(ToQString(std::filesystem::path(name)));
    }
}

void DirListBox::enter(QListWidgetItem* item) {
    if (item == nullptr || row(item) == kPathRow) {
        return;
    }
    const std::filesystem::path target =
        item->text() == kParent ? m_path.parent_path() : m_path / ToPath(item->text());
    // A folder removed since the list was read is simply not entered.
    SetPath(target);
}
