#include "platform/qt/PatternFileList.h"

#include "platform/FileListing.h"
#include "platform/qt/PathText.h"

#include <QKeyEvent>

PatternFileList::PatternFileList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemClicked, this,
            [this](QListWidgetItem*) { emit fileClicked(); });
}

void PatternFileList::SetPath(const std::filesystem::path& folder) {
    m_folder = folder;
    Refresh();
}

void PatternFileList::SetPattern(const std::string& pattern) {
    m_pattern = pattern;
    Refresh();
}

void PatternFileList::Refresh() {
    clear();
    if (!m_folder.empty()) {
        for (const std::string& name : platform::ListFiles(m_folder, m_pattern)) {
            addItem(ToQString(std::filesystem::path(name)));
        }
    }
    setCurrentRow(-1);
    clearSelection();
}

QString PatternFileList::FileName() const {
    const QList<QListWidgetItem*> chosen = selectedItems();
    return chosen.isEmpty() ? QString() : chosen.front()->text();
}

void PatternFileList::keyPressEvent(QKeyEvent* event) {
    // Enter takes the current line as a click would; the arrows only move the highlight.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && currentItem() != nullptr) {
        currentItem()->setSelected(true);
        emit fileClicked();
        return;
    }
    QListWidget::keyPressEvent(event);
}
