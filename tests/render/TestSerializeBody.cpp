#include "BrowserTestMain.h"
#include "PageLoad.h"
#include "RenderWait.h"
#include "WebPageRenderer.h"

#include <QUrl>

// The body markup as the renderer hands it over, for small documents
// loaded from data: addresses.
class TestSerializeBody : public QObject {
    Q_OBJECT

private:
    WebPageRenderer renderer_;

    QString render(const QString& html) {
        renderer_.RenderPage(QStringLiteral("data:text/html;charset=utf-8,") +
                             QString::fromLatin1(QUrl::toPercentEncoding(html)));
        if (!waitUntilComplete(renderer_))
            return QStringLiteral("(timed out)");
        return renderer_.bodyInnerHtml().text;
    }

private slots:
    void serialisesBody_data() {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("expected");

        QTest::newRow("tag names upper case") << "<div><span>a</span></div>"
                                              << "<DIV><SPAN>a</SPAN></DIV>";
        QTest::newRow("only the body's children")
            << "<head><title>t</title></head><body class=\"b\"><p>a</p></body>"
            << "<P>a</P>";
        QTest::newRow("attributes in source order, names lower case")
            << "<a HREF=\"http://x.taobao.com\" Target=_blank id=\"m\">n</a>"
            << "<A href=\"http://x.taobao.com\" target=\"_blank\" id=\"m\">n</A>";
        QTest::newRow("attribute values escape & and quote only")
            << "<p title='a&amp;b \"q\" <x> &#160;'>t</p>"
            << "<P title=\"a&amp;b &quot;q&quot; <x> \u00a0\">t</P>";
        QTest::newRow("valueless attribute") << "<input disabled>"
                                             << "<INPUT disabled=\"\">";
        QTest::newRow("attribute added by script comes last")
            << "<p id=\"p\" class=\"c\">t</p>"
               "<script>document.getElementById('p').setAttribute('data-x', '1')</script>"
            << "<P id=\"p\" class=\"c\" data-x=\"1\">t</P>"
               "<SCRIPT>document.getElementById('p').setAttribute('data-x', '1')</SCRIPT>";
        QTest::newRow("an image's address comes last")
            << "<img src=\"newrank/s_red_2.gif\" border=\"0\" alt=\"\" /><p src=\"x\" id=\"y\"></p>"
            << "<IMG border=\"0\" alt=\"\" src=\"newrank/s_red_2.gif\"><P src=\"x\" id=\"y\"></P>";
        QTest::newRow("void elements have no end tag")
            << "<div>a<br>b<img src=\"newrank/s_red_1.gif\"><hr><wbr></div>"
            << "<DIV>a<BR>b<IMG src=\"newrank/s_red_1.gif\"><HR><WBR></DIV>";
        QTest::newRow("text escapes & < > and no-break space")
            << "<b>1 &lt; 2 &amp;&amp; 3 &gt; 2&nbsp;x</b>"
            << "<B>1 &lt; 2 &amp;&amp; 3 &gt; 2&nbsp;x</B>";
        QTest::newRow("quotes in text stay") << "<i>\"q\" 'a'</i>"
                                             << "<I>\"q\" 'a'</I>";
        QTest::newRow("script and style text as it is")
            << "<body><style>a > b { color: red }</style><script>var x = 1 < 2 && 3 > 2;</script>"
            << "<STYLE>a > b { color: red }</STYLE><SCRIPT>var x = 1 < 2 && 3 > 2;</SCRIPT>";
        QTest::newRow("textarea text is escaped") << "<textarea>a &lt; b</textarea>"
                                                  << "<TEXTAREA>a &lt; b</TEXTAREA>";
        QTest::newRow("comments") << "<ul><!-- 友情链接 & <b> --></ul>"
                                  << "<UL><!-- 友情链接 & <b> --></UL>";
        QTest::newRow("list items closed by the parser")
            << "<ul><li>创店时间：2009-03-01<li>好评率：99.5%</ul>"
            << "<UL><LI>创店时间：2009-03-01</LI><LI>好评率：99.5%</LI></UL>";
        QTest::newRow("markup written by scripts")
            << "<div id=\"t\"></div><script>document.getElementById('t').innerHTML = "
               "'<a href=\"u\">m</a>'</script>"
            << "<DIV id=\"t\"><A href=\"u\">m</A></DIV><SCRIPT>document.getElementById('t')."
               "innerHTML = '<a href=\"u\">m</a>'</SCRIPT>";
        QTest::newRow("svg names upper case, attribute names lower case")
            << "<svg viewBox=\"0 0 1 1\"><circle r=\"1\"/></svg>"
            << "<SVG viewbox=\"0 0 1 1\"><CIRCLE r=\"1\"></CIRCLE></SVG>";
        QTest::newRow("empty body") << "<body></body>"
                                    << "";
    }

    void serialisesBody() {
        QFETCH(QString, html);
        QFETCH(QString, expected);
        QCOMPARE(render(html), expected);
    }

    // A body longer than the longest kept is no body: the load failed. The
    // script removes itself, leaving only the text.
    void bodyOverItsCapIsEmpty_data() {
        QTest::addColumn<qsizetype>("length");
        QTest::addColumn<bool>("kept");

        QTest::newRow("at the cap") << PageLoad::MaxBodyLength << true;
        QTest::newRow("one character over") << PageLoad::MaxBodyLength + 1 << false;
    }

    void bodyOverItsCapIsEmpty() {
        QFETCH(qsizetype, length);
        QFETCH(bool, kept);
        const QString body =
            render(QStringLiteral("<body><script>document.body.style.display = 'none';"
                                  "document.body.textContent = 'x'.repeat(%1);</script>")
                       .arg(length));
        QCOMPARE(body.size(), kept ? length : 0);
    }

    // Many more pieces of markup than are joined at a time come out whole
    // and in order.
    void serialisesManyElements() {
        const int count = 50000;
        const QString body =
            render(QStringLiteral("<body><script>document.body.style.display = 'none';"
                                  "for (let i = 0; i < %1; ++i) {"
                                  " const item = document.createElement('i');"
                                  " item.title = i; item.textContent = i;"
                                  " document.body.appendChild(item); }"
                                  "document.body.removeChild(document.body.firstChild);</script>")
                       .arg(count));
        QString expected;
        for (int i = 0; i < count; ++i)
            expected += QStringLiteral("<I title=\"%1\">%1</I>").arg(i);
        QCOMPARE(body, expected);
    }

    // Nesting far deeper than a recursive walk could take. The page is not
    // laid out (display: none), which the browser could not do at that depth.
    void serialisesDeepNesting() {
        const int depth = 20000;
        const QString html =
            QStringLiteral("<body><script>let e = document.body;"
                           "document.body.style.display = 'none';"
                           "for (let i = 0; i < %1; ++i) "
                           "e = e.appendChild(document.createElement('div'));"
                           "document.body.removeChild(document.body.firstChild);</script>")
                .arg(depth);
        // The script removes itself, leaving only the nested divs.
        const QString body = render(html);
        QCOMPARE(body.size(), depth * qsizetype(strlen("<DIV></DIV>")));
        QVERIFY(body.startsWith("<DIV><DIV>"));
        QVERIFY(body.endsWith("</DIV></DIV>"));
    }
};

ZEMBREL_BROWSER_TEST_MAIN(TestSerializeBody)
#include "TestSerializeBody.moc"
