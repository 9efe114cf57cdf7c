#pragma once

#include <QFile>
#include <QString>

#include <filesystem>

/// File paths between Qt's text and the standard library, in the platform's file name encoding.
inline std::filesystem::path ToPath(const QString& text) {
#ifdef Q_OS_WIN
    return std::filesystem::path(text.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(text).toStdString());
#endif
}

inline QString ToQString(const std::filesystem::path& path) {
#ifdef Q_OS_WIN
    return QString::fromStdWString(path.wstring());
#else
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
#endif
}
