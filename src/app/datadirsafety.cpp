// Checks of the data directory and its working files before anything writes
// into them (see datadirsafety.h for why).
#include "app/datadirsafety.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sys/stat.h>

namespace datadirsafety {

QStringList workingFileNames()
{
    return {QStringLiteral("result.log"),     QStringLiteral("tongji.log"),
            QStringLiteral("daily.log"),      QStringLiteral("temp_report"),
            QStringLiteral("all_report.log"), QStringLiteral("kvr-auditreport.lock")};
}

Verdict check(const QString &dirPath, uid_t uid)
{
    QString dir = dirPath;
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    const QByteArray native = QFile::encodeName(dir);

    struct stat st {
    };
    if (::lstat(native.constData(), &st) != 0) {
        // Made root's way: readable by all, writable by its owner only. A
        // directory that cannot be made is unusable, not unsafe: the query
        // says so when it tries to write.
        if (::mkdir(native.constData(), 0755) != 0) {
            QDir().mkpath(QFileInfo(dir).absolutePath());
            ::mkdir(native.constData(), 0755);
        }
        if (::lstat(native.constData(), &st) != 0)
            return {};
    }
    if (S_ISLNK(st.st_mode))
        return {Problem::DirIsSymlink, dir};
    if (!S_ISDIR(st.st_mode))
        return {Problem::NotADirectory, dir};
    if (st.st_mode & (S_IWGRP | S_IWOTH))
        return {Problem::DirWritableByOthers, dir};
    if (st.st_uid != 0 && st.st_uid != uid)
        return {Problem::DirForeignOwner, dir};

    for (const QString &name : workingFileNames()) {
        const QString file = dir + QLatin1Char('/') + name;
        struct stat fst {
        };
        if (::lstat(QFile::encodeName(file).constData(), &fst) != 0)
            continue; // not written yet
        if (S_ISLNK(fst.st_mode))
            return {Problem::FileIsSymlink, file};
        if (!S_ISREG(fst.st_mode))
            return {Problem::FileNotRegular, file};
        if (fst.st_nlink > 1)
            return {Problem::FileHardLinked, file};
    }
    return {};
}

} // namespace datadirsafety
