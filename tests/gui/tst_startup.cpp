// Start-up: choice of the translation by system language, loading it from the
// data directory, the texts the window then shows, and centring the window.

#include "app/language.h"
#include "windowaccess.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

namespace {
QStringList debugLines;
void captureDebug(QtMsgType type, const QMessageLogContext &, const QString &msg)
{
    if (type == QtDebugMsg)
        debugLines << msg;
}
} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        // loadLanguage() parents its translator to the application.
        for (QTranslator *t : qApp->findChildren<QTranslator *>()) {
            QCoreApplication::removeTranslator(t);
            delete t;
        }
        QLocale::setDefault(QLocale::c());
        qunsetenv("KVR_AUDITREPORT_DATA_DIR");
        qInstallMessageHandler(nullptr);
        uiLanguage = -1;
    }

    void loadLanguage_data()
    {
        QTest::addColumn<QLocale::Language>("system");
        QTest::addColumn<bool>("withFiles");
        QTest::addColumn<int>("expectedLanguage");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("title");  // window title
        QTest::addColumn<QString>("all");    // the no-restriction marker
        QTest::addColumn<QString>("quit");   // second tray action
        QTest::addColumn<QString>("cancel"); // Qt's own standard button

        QTest::newRow("Chinese") << QLocale::Chinese << true << int(QLocale::Chinese)
                                 << "locale/zh_CN.qm"
                                 << "安全中心"
                                 << "全部"
                                 << "返回主界面"
                                 << "取消";
        QTest::newRow("English") << QLocale::English << true << int(QLocale::English)
                                 << "locale/en_US.qm"
                                 << "Security Center"
                                 << "all"
                                 << "Back to main"
                                 << "Cancel";
        QTest::newRow("German falls back to Chinese")
            << QLocale::German << true << int(QLocale::Chinese) << "locale/zh_CN.qm"
            << "安全中心"
            << "全部"
            << "返回主界面"
            << "取消";
        QTest::newRow("English, no files")
            << QLocale::English << false << int(QLocale::English) << "locale/en_US.qm"
            << "安全中心"
            << "all"
            << "back to main"
            << "Cancel";
        QTest::newRow("Chinese, no files")
            << QLocale::Chinese << false << int(QLocale::Chinese) << "locale/zh_CN.qm"
            << "安全中心"
            << "all"
            << "back to main"
            << "取消";
    }

    void loadLanguage()
    {
        QFETCH(QLocale::Language, system);
        QFETCH(bool, withFiles);
        QFETCH(int, expectedLanguage);
        QFETCH(QString, file);

        QCOMPARE(int(interfaceLanguage(system)), expectedLanguage);
        QCOMPARE(translationFileName(system), file);

        QTemporaryDir data;
        QVERIFY(data.isValid());
        if (withFiles) {
            QVERIFY(QDir(data.path()).mkdir("locale"));
            for (const char *name : {"zh_CN.qm", "en_US.qm"})
                QVERIFY(QFile::copy(QStringLiteral(KVR_BUILD_DATA_DIR "/locale/") + name,
                                    data.filePath(QStringLiteral("locale/") + name)));
        }
        qputenv("KVR_AUDITREPORT_DATA_DIR", data.path().toUtf8());
        QLocale::setDefault(QLocale(system));
        debugLines.clear();
        qInstallMessageHandler(captureDebug);

        QTranslator qtTranslator;
        loadQtTranslation(&qtTranslator);
        ::loadLanguage(qApp);
        qInstallMessageHandler(nullptr);
        // The file dialog and standard buttons speak the window's language.
        QTEST(QCoreApplication::translate("QPlatformTheme", "Cancel"), "cancel");
        QCoreApplication::removeTranslator(&qtTranslator);

        QCOMPARE(uiLanguage, expectedLanguage);
        QCOMPARE(debugLines.contains("ERROR::Load language failed!"), !withFiles);

        MainWindow w;
        Ui_MainWindow *ui = MainWindowTestAccess::ui(w);
        QTEST(w.windowTitle(), "title");
        QTEST(ui->type_com->itemText(0), "all");
        QTEST(w.findChild<QMenu *>()->actions().value(1)->text(), "quit");
        // The search looks the command names up by their source text, so no
        // translation may change them.
        QCOMPARE(ui->type_com->itemText(22), QStringLiteral("apt-get"));
        for (int i = 1; i < ui->type_com->count(); ++i)
            QVERIFY2(QRegularExpression("^[a-z-]+$").match(ui->type_com->itemText(i)).hasMatch(),
                     qPrintable(ui->type_com->itemText(i)));
        const QString image = expectedLanguage == QLocale::English ? ":/pics/images/en/return.png"
                                                                   : ":/pics/return.png";
        QVERIFY(QFile::exists(image));
        for (QPushButton *b : {ui->back_btn, ui->btn, ui->fan_btn})
            QVERIFY(b->styleSheet().startsWith("QPushButton{border-image: url(" + image + ");}"));
    }

    void centredPosition_data()
    {
        QTest::addColumn<QSize>("desktop");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("1024x768") << QSize(1024, 768) << QPoint(301, 86);
        QTest::newRow("one pixel short") << QSize(421, 594) << QPoint(0, 0);
        // Truncation toward zero: -95 / 2 is -47, not -48.
        QTest::newRow("smaller desktop") << QSize(400, 500) << QPoint(-11, -47);
    }

    void centredPosition()
    {
        QFETCH(QSize, desktop);
        QTEST(::centredPosition(desktop, QSize(422, 595)), "expected");
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
