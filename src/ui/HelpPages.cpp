#include "ui/HelpPages.h"

#include "ui/DialogService.h"

#include <QFile>
#include <QKeySequence>
#include <QShortcut>
#include <QStringList>
#include <QWidget>
#include <QtGlobal>

#ifndef KALEMIR_VERSION
#define KALEMIR_VERSION "0"
#endif

namespace kalemir::ui {

namespace {

/// The level of a Markdown heading line ("### x" is 3), 0 for other lines.
int HeadingLevel(const QString& line) {
    int level = 0;
    while (level < line.size() && line[level] == '#') {
        ++level;
    }
    return level > 0 && level < line.size() && line[level] == ' ' ? level : 0;
}

} // namespace

QString ReadmeSection(const QString& markdown, const QString& title) {
    const QStringList lines = markdown.split('\n');
    QStringList section;
    int level = 0;
    for (const QString& raw : lines) {
        const QString line = raw.endsWith('\r') ? raw.chopped(1) : raw;
        const int heading = HeadingLevel(line);
        if (level == 0) {
            if (heading == 3 && line.mid(4).trimmed() == title) {
                level = heading;
                section << line;
            }
            continue;
        }
        if (heading > 0 && heading <= level) {
            break;
        }
        section << line;
    }
    return section.join('\n').trimmed();
}

QString ShippedReadme() {
    QFile file(":/README.md");
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

void ShowHelp(QWidget* window, DialogService& dialogs, const QString& section) {
    QString page = ReadmeSection(ShippedReadme(), section);
    if (page.isEmpty()) {
        page = "No help was found for " + section + ".";
    }
    dialogs.ShowText(window, "Help: " + section, page);
}

void InstallHelpKey(QWidget* window, DialogService& dialogs, const QString& section) {
    auto* key = new QShortcut(QKeySequence::HelpContents, window);
    key->setContext(Qt::WindowShortcut);
    QObject::connect(key, &QShortcut::activated, window,
                     [window, &dialogs, section] { ShowHelp(window, dialogs, section); });
}

QString AboutText(const QString& program) {
    return "## " + program + " " + KALEMIR_VERSION +
           "\n\nPart of Kalemir, a desktop suite for chemists who build QSPR models: "
           "KalemirT makes the tables from structures, KalemirQ searches and validates the "
           "equations, KalemirS compares the molecules."
           "\n\n**Licence:** BSD 3-Clause, copyright the Kalemir developers (the file "
           "LICENSE; installed as /usr/share/doc/kalemir/copyright)."
           "\n\n**Libraries used:** Qt " +
           QString::fromLatin1(qVersion()) +
           " (the windows, printing and pictures; LGPL 3), RDKit (KalemirT's structures, "
           "descriptors and 3D conformers; BSD), nlohmann JSON and OpenSSL's SHA-256 (KalemirQ's "
           "machine-readable results) and the C++ standard library. The numbers of the "
           "analyses are computed by Kalemir's own code, in double precision.";
}

} // namespace kalemir::ui
