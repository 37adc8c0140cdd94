#include "ui/FolderFiles.h"

#include <QDir>
#include <QFileInfo>

#include <clocale>

namespace kalemir::ui {

QStringList ListFolderFiles(const QString& pattern) {
    QDir folder(QDir::currentPath());
    const QFileInfoList entries =
        folder.entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    QStringList names;
    for (const QFileInfo& entry : entries) {
        const QString name = entry.fileName();
        if (pattern == "*.") {
            if (!name.contains('.')) {
                names << name;
            }
        } else if (pattern.startsWith('*')) {
            if (name.endsWith(pattern.mid(1), Qt::CaseInsensitive)) {
                names << name;
            }
        }
    }
    return names;
}

void KeepNumbersLocaleIndependent() {
    std::setlocale(LC_NUMERIC, "C");
}

} // namespace kalemir::ui
