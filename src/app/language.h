#pragma once
// Start-up choices of the application shell: which translation to load for the
// system language, and where to put the frameless main window on the desktop.

#include <QLocale>
#include <QPoint>
#include <QSize>
#include <QString>

class QCoreApplication;
class QTranslator;

// Language chosen at start-up: -1 until loadLanguage() has run, then
// QLocale::Chinese or QLocale::English. The main window picks the images of
// its back buttons by it.
extern int uiLanguage;

// The interface language used for a system language: English stays English,
// every other language (Chinese included) gives Chinese.
QLocale::Language interfaceLanguage(QLocale::Language systemLanguage);

// Translation file of an interface language, relative to the data directory
// ("locale/en_US.qm" for English, else "locale/zh_CN.qm").
QString translationFileName(QLocale::Language systemLanguage);

// Loads Qt's own translation for the interface language of the default
// QLocale into qtTranslator (which must live as long as the application) and
// installs it: Chinese for the Chinese interface; none for English, which is
// the language of Qt's own texts, so that the file dialog and the standard
// buttons of an English window are English.
void loadQtTranslation(QTranslator *qtTranslator);

// Sets uiLanguage from the default QLocale and installs the application's
// translation from the data directory on app. When the file does not load,
// writes "ERROR::Load language failed!" to the debug channel and carries on
// with the untranslated texts.
void loadLanguage(QCoreApplication *app);

// Top-left corner that centres a window of size window on a desktop of size
// desktop. Integer division truncates toward zero; on a desktop smaller than
// the window the result is negative and is used as it is.
QPoint centredPosition(const QSize &desktop, const QSize &window);
