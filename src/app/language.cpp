#include "app/language.h"

#include "app/appenv.h"

#include <QCoreApplication>
#include <QDebug>
#include <QTranslator>

int uiLanguage = -1;

QLocale::Language interfaceLanguage(QLocale::Language systemLanguage)
{
    return systemLanguage == QLocale::English ? QLocale::English : QLocale::Chinese;
}

QString translationFileName(QLocale::Language systemLanguage)
{
    return interfaceLanguage(systemLanguage) == QLocale::English
        ? QStringLiteral("locale/en_US.qm")
        : QStringLiteral("locale/zh_CN.qm");
}

void loadQtTranslation(QTranslator *qtTranslator)
{
    // Installed even when the bundle lacks the file: an empty translator
    // changes nothing.
    if (interfaceLanguage(QLocale().language()) == QLocale::Chinese)
        (void)qtTranslator->load(QStringLiteral(":/qt_zh_CN.qm"));
    QCoreApplication::installTranslator(qtTranslator);
}

void loadLanguage(QCoreApplication *app)
{
    const QLocale::Language system = QLocale().language();
    uiLanguage = interfaceLanguage(system);

    // Owned by the application object; it outlives every window.
    auto *translator = new QTranslator(app);
    if (translator->load(appenv::dataFile(translationFileName(system))))
        QCoreApplication::installTranslator(translator);
    else
        qDebug() << "ERROR::Load language failed!";
}

QPoint centredPosition(const QSize &desktop, const QSize &window)
{
    return QPoint((desktop.width() - window.width()) / 2, (desktop.height() - window.height()) / 2);
}
