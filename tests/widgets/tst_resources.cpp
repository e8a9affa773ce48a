// Every path of the resource bundle is there in a program that merely links
// the static kvr_gui library.

#include <QFile>
#include <QImage>
#include <QTranslator>
#include <QtTest>

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void images_data()
    {
        QTest::addColumn<QSize>("size");
        const QList<QPair<const char *, QSize>> images = {{"anniu", {78, 30}},
                                                          {"btn", {97, 30}},
                                                          {"btn_over", {97, 30}},
                                                          {"btn_press", {97, 30}},
                                                          {"btn_close", {28, 28}},
                                                          {"close", {28, 28}},
                                                          {"close-enter", {28, 28}},
                                                          {"min", {28, 28}},
                                                          {"mini-enter", {28, 28}},
                                                          {"combox", {27, 30}},
                                                          {"info", {32, 32}},
                                                          {"question", {32, 32}},
                                                          {"report_logo", {39, 39}},
                                                          {"return", {60, 22}},
                                                          {"return_hover", {60, 22}},
                                                          {"images/en/return", {60, 22}},
                                                          {"images/en/return_hover", {60, 22}},
                                                          {"tray", {32, 32}},
                                                          {"xialakuang", {16, 16}},
                                                          {"jiluchaxun", {30, 35}}};
        for (const auto &i : images)
            QTest::newRow(qPrintable(QStringLiteral(":/pics/%1.png").arg(QLatin1String(i.first))))
                << i.second;
    }
    void images()
    {
        QFETCH(QSize, size);
        const QString path = QString::fromLatin1(QTest::currentDataTag());
        QVERIFY(QFile::exists(path));
        const QImage image = QImage(path).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(image.size(), size);
        // Something is drawn: not one flat colour.
        QImage filled(size, QImage::Format_ARGB32);
        filled.fill(image.pixel(0, 0));
        QVERIFY(image != filled);
    }

    void qtTranslation()
    {
        QTranslator translator;
        QVERIFY(translator.load(QStringLiteral(":/qt_zh_CN.qm"), QString(), QString(), QString()));
        QCOMPARE(translator.language(), QStringLiteral("zh_CN"));
    }
};

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
