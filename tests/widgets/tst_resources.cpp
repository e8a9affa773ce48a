#include <QFile>
#include <QImage>
#include <QTranslator>
#include <QtTest>

// The program and the tests link the static kvr_gui library; its bundle must
// be registered in every such program without further calls.
class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void everyImageHasItsSize_data();
    void everyImageHasItsSize();
    void qtTranslationLoads();
};

void TestResources::everyImageHasItsSize_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    const struct { const char *path; int w, h; } images[] = {
        {":/pics/anniu.png", 78, 30},        {":/pics/btn.png", 97, 30},
        {":/pics/btn_over.png", 97, 30},     {":/pics/btn_press.png", 97, 30},
        {":/pics/btn_close.png", 28, 28},    {":/pics/close.png", 28, 28},
        {":/pics/close-enter.png", 28, 28},  {":/pics/min.png", 28, 28},
        {":/pics/mini-enter.png", 28, 28},   {":/pics/combox.png", 27, 30},
        {":/pics/info.png", 32, 32},         {":/pics/question.png", 32, 32},
        {":/pics/report_logo.png", 39, 39},  {":/pics/return.png", 60, 22},
        {":/pics/return_hover.png", 60, 22}, {":/pics/images/en/return.png", 60, 22},
        {":/pics/images/en/return_hover.png", 60, 22},
        {":/pics/tray.png", 32, 32},         {":/pics/xialakuang.png", 16, 16},
        {":/pics/jiluchaxun.png", 30, 35},
    };
    for (const auto &i : images)
        QTest::newRow(i.path) << QString::fromLatin1(i.path) << QSize(i.w, i.h);
}

void TestResources::everyImageHasItsSize()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QVERIFY2(QFile::exists(path), qPrintable(path));
    const QImage image(path);
    QVERIFY2(!image.isNull(), qPrintable(path));
    QCOMPARE(image.size(), size);
    // A finished image draws something: not a single flat colour.
    const QRgb first = image.pixel(0, 0);
    bool varies = false;
    for (int y = 0; y < image.height() && !varies; ++y)
        for (int x = 0; x < image.width() && !varies; ++x)
            varies = image.pixel(x, y) != first;
    QVERIFY2(varies, qPrintable(path));
}

void TestResources::qtTranslationLoads()
{
    QVERIFY(QFile::exists(QStringLiteral(":/qt_zh_CN.qm")));
    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(":/qt_zh_CN.qm"), QString(), QString(), QString()));
    QVERIFY(!translator.isEmpty());
    QCOMPARE(translator.language(), QStringLiteral("zh_CN"));
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
