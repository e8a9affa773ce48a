// Checks of the data directory and its working files before anything writes
// into them (see datadirsafety.h for why).
#include "app/datadirsafety.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sys/stat.h>

namespace datadirsafety {

namespace {

// The folders above `dir` (absolute, without trailing "/"), from "/" down to
// its parent, each as written: "." and ".." are looked at as the kernel
// walks them, which is safe once none of them is a link.
QStringList foldersAbove(const QString &dir)
{
    QStringList folders{QStringLiteral("/")};
    const QStringList parts = dir.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString prefix;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        prefix += QLatin1Char('/') + parts[i];
        folders << prefix;
    }
    return folders;
}

// The first folder above `dir` that another user could use to put another
// directory in its place. Folders that do not exist yet end the walk (what
// is made later is checked again), and so does a file on the way.
Verdict checkFoldersAbove(const QString &dir, uid_t uid)
{
    for (const QString &folder : foldersAbove(dir)) {
        struct stat st {
        };
        if (::lstat(QFile::encodeName(folder).constData(), &st) != 0)
            return {};
        if (S_ISLNK(st.st_mode))
            return {Problem::ParentIsSymlink, folder};
        // Nothing can lie below a file: the directory cannot be made, which
        // the query says when it tries to write.
        if (!S_ISDIR(st.st_mode))
            return {};
        if (st.st_uid != 0 && st.st_uid != uid)
            return {Problem::ParentForeignOwner, folder};
        // In a sticky folder only the owner of an entry (root or uid, as
        // the next folder's own check demands) may rename or remove it.
        if ((st.st_mode & (S_IWGRP | S_IWOTH)) && !(st.st_mode & S_ISVTX))
            return {Problem::ParentWritable, folder};
    }
    return {};
}

} // namespace

QStringList workingFileNames()
{
    return {QStringLiteral("result.log"),     QStringLiteral("tongji.log"),
            QStringLiteral("runs.log"),       QStringLiteral("temp_report"),
            QStringLiteral("all_report.log"), QStringLiteral("kvr-auditreport.lock")};
}

Verdict check(const QString &dirPath, uid_t uid)
{
    QString dir = dirPath;
    if (!dir.startsWith(QLatin1Char('/')))
        dir = QDir::currentPath() + QLatin1Char('/') + dir;
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    const QByteArray native = QFile::encodeName(dir);

    Verdict above = checkFoldersAbove(dir, uid);
    if (!above.safe())
        return above;

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
        // The folders made on the way are checked like those found.
        above = checkFoldersAbove(dir, uid);
        if (!above.safe())
            return above;
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
