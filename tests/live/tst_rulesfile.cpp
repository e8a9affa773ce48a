// The generated audit rules file against the command table and against the
// files of this machine: every rule in the one form auditctl and augenrules
// take (or that form commented out, "#-w ...", for the costly ones), and every
// installed program of the 28 recorded when it runs or once its rule is on. A
// watch fires for the file it names without following a final symbolic link,
// while an exec runs the link's target, so a program that is a link (shutdown
// and reboot on systemd machines) needs its target watched.
#include "commandtable.h"

#include <QFile>
#include <QRegularExpression>
#include <QtTest>

#include <sys/stat.h>

namespace {

const char kRulesFile[] = KVR_BUILD_DATA_DIR "/audit/kvr-auditreport.rules";

struct Rule {
    QString path;
    int line;
};

QList<Rule> readRules(QStringList *errors)
{
    QList<Rule> rules;
    QFile file(QString::fromLatin1(kRulesFile));
    if (!file.open(QIODevice::ReadOnly)) {
        errors->append(QStringLiteral("cannot open %1").arg(file.fileName()));
        return rules;
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    static const QRegularExpression rule(
        QStringLiteral("^(#?)-w (/[^ ]+) -p x -k kvr-auditreport$"));
    bool priced = false;
    bool howToEnable = false;
    for (int i = 0; i < lines.size(); ++i) {
        const QString &line = lines[i];
        if (line.isEmpty()) {
            priced = howToEnable = false;
            continue;
        }
        if (line.startsWith(QLatin1String("##"))) {
            priced = priced || line.contains(QLatin1String("Cost:"));
            howToEnable = howToEnable || line.contains(QLatin1String("remove the \"#\""));
            continue;
        }
        const QRegularExpressionMatch m = rule.match(line);
        if (!m.hasMatch()) {
            errors->append(
                QStringLiteral("line %1 is no exec watch with the key: %2").arg(i + 1).arg(line));
            continue;
        }
        if (!priced)
            errors->append(QStringLiteral("line %1 has no cost comment above it").arg(i + 1));
        if (!m.captured(1).isEmpty() && !howToEnable)
            errors->append(
                QStringLiteral("line %1 is commented out without saying how to enable it")
                    .arg(i + 1));
        for (const Rule &earlier : rules) {
            if (earlier.path == m.captured(2))
                errors->append(QStringLiteral("line %1 repeats the watch of line %2")
                                   .arg(i + 1)
                                   .arg(earlier.line));
        }
        rules.append({m.captured(2), i + 1});
    }
    return rules;
}

} // namespace

class RulesFileTest : public QObject
{
    Q_OBJECT
private slots:
    // One rule form only (auditctl -R stops at the first line it refuses),
    // each rule priced, none twice, and every command's path in the table
    // watched as the search names it.
    void layoutAndCoverage()
    {
        QStringList errors;
        const QList<Rule> rules = readRules(&errors);
        for (const kvrcommands::Command &command : kvrcommands::kCommands) {
            const bool watched = std::any_of(rules.begin(), rules.end(), [&](const Rule &r) {
                return r.path == QLatin1String(command.path);
            });
            if (!watched)
                errors.append(
                    QStringLiteral("no watch on %1 (%2)").arg(command.path, command.name));
        }
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QLatin1Char('\n'))));
    }

    // For every program of the table installed here: the file an exec of its
    // path runs is the very file of some watch (same device and inode, the
    // watch's own final name not followed).
    void installedProgramsRecorded()
    {
        QStringList errors;
        const QList<Rule> rules = readRules(&errors);
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QLatin1Char('\n'))));
        QList<QPair<dev_t, ino_t>> watched;
        for (const Rule &rule : rules) {
            struct stat st;
            if (::lstat(QFile::encodeName(rule.path).constData(), &st) == 0)
                watched.append({st.st_dev, st.st_ino});
        }
        int installed = 0;
        for (const kvrcommands::Command &command : kvrcommands::kCommands) {
            struct stat st;
            if (::stat(command.path, &st) != 0)
                continue; // not installed here: its watch waits for it
            ++installed;
            if (!watched.contains(qMakePair(st.st_dev, st.st_ino)))
                errors.append(QStringLiteral("%1 (%2) runs a file no watch names")
                                  .arg(command.path, command.name));
        }
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QLatin1Char('\n'))));
        if (installed == 0)
            QSKIP("none of the 28 programs is installed here");
    }
};

QTEST_APPLESS_MAIN(RulesFileTest)
#include "tst_rulesfile.moc"
