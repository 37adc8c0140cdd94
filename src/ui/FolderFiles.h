#pragma once
// File lists of the current folder, as the windows' lists show them.

#include <QStringList>

namespace kalemir::ui {

/// Lists the plain files of the current folder that match: files without an extension
/// ("*.") or files ending in a suffix ("*.des", "*SIM.des"), sorted by name.
QStringList ListFolderFiles(const QString& pattern);

/// The engines format and read numbers themselves, but the C library's numeric locale
/// must stay "C" whatever the desktop's language: a German desktop must not write "0,25".
void KeepNumbersLocaleIndependent();

} // namespace kalemir::ui
