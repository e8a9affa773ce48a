// Every message fits its dialog: the texts the program can show, in Chinese
// and in English, the longest with the longest path it puts in a message,
// wrap inside the text area, which grows in height only when needed.
#include "widgets/infobox.h"
#include "widgets/wraplabel.h"

#include <QFile>
#include <QPushButton>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtTest>

class InfoBoxTestAccess
{
public:
    static WrapLabel *text(InfoBox *b) { return b->textLabel; }
    static QWidget *container(InfoBox *b) { return b->container; }
    static QPushButton *ok(InfoBox *b) { return b->okButton; }
    static QPushButton *cancel(InfoBox *b) { return b->cancelButton; }
};
using A = InfoBoxTestAccess;

namespace {

// The source texts and English translations of the main window's messages.
QList<QPair<QString, QString>> windowTexts()
{
    QList<QPair<QString, QString>> texts;
    QFile ts(QStringLiteral(KVR_SOURCE_DIR "/translations/en_US.ts"));
    if (!ts.open(QIODevice::ReadOnly))
        return texts;
    QXmlStreamReader xml(&ts);
    QString context, source;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == u"name")
            context = xml.readElementText();
        else if (xml.name() == u"source")
            source = xml.readElementText();
        else if (xml.name() == u"translation" && context == u"MainWindow")
            texts << qMakePair(source, xml.readElementText());
    }
    return texts;
}

// What a message needs to show whole in `box`: checked, with the reason.
void checkFits(InfoBox &box, const QString &what)
{
    WrapLabel *label = A::text(&box);
    QWidget *panel = A::container(&box);
    const QByteArray name = what.toUtf8();
    QVERIFY2(label->widestLine() <= label->width(), name.constData());
    QVERIFY2(label->heightForWidth(label->width()) <= label->height(), name.constData());
    QVERIFY2(label->geometry().bottom() < panel->height(), name.constData());
    // The bottom band (35 pixels) below the panel holds the buttons.
    QCOMPARE(panel->geometry().bottom() + 1 + 35, box.height());
    for (QPushButton *button : {A::ok(&box), A::cancel(&box)}) {
        if (button)
            QVERIFY2(button->y() > panel->geometry().bottom()
                         && button->geometry().bottom() < box.height(),
                     name.constData());
    }
    QCOMPARE(box.width(), 320);
}

} // namespace

class MessageFitTest : public QObject
{
    Q_OBJECT

private slots:
    // The short messages keep the dialog's 320 x 150 and the 220 x 50 text area.
    void shortMessagesKeepGeometry()
    {
        for (const QString &text :
             {QStringLiteral("报告导出成功!"), QStringLiteral("The report was exported.")}) {
            InfoBox box(QStringLiteral("导出报告"), text, true, nullptr, nullptr);
            QCOMPARE(box.size(), QSize(320, 150));
            QCOMPARE(A::text(&box)->geometry(), QRect(65, 27, 220, 50));
            QCOMPARE(A::ok(&box)->pos(), QPoint(160, 120));
            QCOMPARE(A::cancel(&box)->pos(), QPoint(240, 120));
        }
    }

    void everyMessage_data()
    {
        QTest::addColumn<bool>("english");
        QTest::newRow("Chinese") << false;
        QTest::newRow("English") << true;
    }
    // Each text of the window, and the longest followed by the longest path
    // a message shows (a deep data directory), fits; the long ones made the
    // dialog taller.
    void everyMessage()
    {
        QFETCH(bool, english);
        const QList<QPair<QString, QString>> texts = windowTexts();
        QVERIFY(texts.size() > 20);
        QString longest;
        for (const auto &pair : texts) {
            const QString text = english ? pair.second : pair.first;
            if (text.size() > longest.size())
                longest = text;
            InfoBox box(QStringLiteral("审计报告"), text, false, nullptr, nullptr);
            checkFits(box, text);
        }
        const QString path = QStringLiteral(KVR_DEFAULT_DATA_DIR "/")
            + QString("very-long-directory-name/").repeated(4);
        InfoBox box(QStringLiteral("审计报告"), longest + '\n' + path, false, nullptr, nullptr);
        checkFits(box, longest);
        QVERIFY(box.height() > 150);
        QVERIFY(A::text(&box)->lineCount() >= 4);
        QCOMPARE(A::text(&box)->height() - 50, box.height() - 150);
    }
};

QTEST_MAIN(MessageFitTest)
#include "tst_messagefit.moc"
