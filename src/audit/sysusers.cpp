// getCurrentSysUsers(): the login names of the password file, in file order.
#include "mainwindow/mainwindow.h"

#include <QProcess>

#include <cstring>

QStringList MainWindow::getCurrentSysUsers()
{
    QStringList users;
    QProcess cat;
    cat.start(QStringLiteral("cat"), {passwdPath}, QIODevice::ReadWrite);
    if (!cat.waitForStarted(30000))
        return users;
    cat.closeWriteChannel();
    while (cat.state() != QProcess::NotRunning)
        cat.waitForFinished(30000);
    for (QByteArray line = cat.readLine(); !line.isEmpty(); line = cat.readLine()) {
        // One character per byte, up to the first NUL.
        const QString text = QString::fromLatin1(
            line.constData(), int(::strnlen(line.constData(), size_t(line.size()))));
        users << text.split(QLatin1Char(':'), Qt::KeepEmptyParts, Qt::CaseSensitive).first();
    }
    cat.close();
    return users;
}

void MainWindow::setPasswdPath(const QString &path)
{
    passwdPath = path;
}
