// Serves the mixed test marketplace on 127.0.0.1 for the run-time and
// memory benchmarks, until it is terminated. Prints the proxy address on the
// first line of standard output; with --urls it first writes every page a
// complete run fetches directly (own page, shop pages, rating pages), one
// address a line, for curl. With --rendered-shops a redirect row leads to a
// rendered Layout A page, which with --pictures carries N pictures answered
// after --picture-delay ms each, and with --elements builds N more (empty)
// elements by script; with --direct-links the own page links those rows'
// shops directly instead, so that a run over the same shops without
// redirect links can be set beside it; with --log every request is printed
// as it comes, one "GET http://host/path" a line.
//
//   BenchMarket [--rows N] [--delay MS] [--redirect-every K] [--rendered-shops]
//               [--direct-links] [--pictures N] [--picture-delay MS] [--elements N]
//               [--log] [--urls FILE]

#include "MarketServer.h"
#include "MixedMarket.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <cstdio>

namespace {

QStringList directPages(const mixedmarket::Options& options) {
    QStringList urls{QStringLiteral("http://") + mixedmarket::OwnAddress + u'/'};
    for (int row = 1; row <= options.rows; ++row) {
        if (options.redirectRows.contains(row))
            continue;
        urls << mixedmarket::shopAddress(row);
        if (mixedmarket::hasRatingPage(row))
            urls << QStringLiteral("http://") + mixedmarket::RatingHost +
                        mixedmarket::ratingPath(row);
    }
    return urls;
}

const QString PictureHost = QStringLiteral("pics.taobao.com");

QString picturePath(int row, int picture) {
    return QStringLiteral("/r%1/p%2.jpg").arg(row).arg(picture);
}

// The rendered Layout A page of a redirect row, with its pictures (a gallery
// at the end of the page, as shop fronts show their goods) and the script
// that builds more elements.
QString renderedShopPage(int row, int pictures, int elements) {
    QString page = mixedmarket::renderedRedirectPage();
    for (int picture = 1; picture <= pictures; ++picture)
        page += QStringLiteral("<img src=\"http://%1%2\" width=\"160\" height=\"160\">")
                    .arg(PictureHost, picturePath(row, picture));
    if (elements > 0)
        page += QStringLiteral("<div id=\"goods\"></div><script>"
                               "const goods = document.getElementById('goods');"
                               "for (let i = 0; i < %1; ++i)"
                               " goods.appendChild(document.createElement('div'));</script>")
                    .arg(elements);
    return page;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption rows(QStringLiteral("rows"), QStringLiteral("Friend links."),
                                  QStringLiteral("N"), QStringLiteral("50"));
    const QCommandLineOption delay(QStringLiteral("delay"), QStringLiteral("Answer delay."),
                                   QStringLiteral("MS"), QStringLiteral("200"));
    const QCommandLineOption redirectEvery(QStringLiteral("redirect-every"),
                                           QStringLiteral("Every K-th row a redirect link."),
                                           QStringLiteral("K"), QStringLiteral("0"));
    const QCommandLineOption urls(QStringLiteral("urls"),
                                  QStringLiteral("Write the directly fetched pages here."),
                                  QStringLiteral("FILE"));
    const QCommandLineOption renderedShops(
        QStringLiteral("rendered-shops"),
        QStringLiteral("Redirect rows lead to a rendered Layout A page."));
    const QCommandLineOption pictures(QStringLiteral("pictures"),
                                      QStringLiteral("Pictures on each rendered page."),
                                      QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption pictureDelay(QStringLiteral("picture-delay"),
                                          QStringLiteral("Answer delay of a picture."),
                                          QStringLiteral("MS"), QStringLiteral("300"));
    const QCommandLineOption elements(QStringLiteral("elements"),
                                      QStringLiteral("Elements built on each rendered page."),
                                      QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption directLinks(
        QStringLiteral("direct-links"),
        QStringLiteral("Link the redirect rows' shops directly instead."));
    const QCommandLineOption log(QStringLiteral("log"), QStringLiteral("Print every request."));
    parser.addOptions({rows, delay, redirectEvery, renderedShops, directLinks, pictures,
                       pictureDelay, elements, log, urls});
    parser.process(app);

    mixedmarket::Options options;
    options.rows = parser.value(rows).toInt();
    options.delayMs = parser.value(delay).toInt();
    const int every = parser.value(redirectEvery).toInt();
    QList<int> redirectRows;
    for (int row = every; every > 0 && row <= options.rows; row += every)
        redirectRows << row;
    if (!parser.isSet(directLinks))
        options.redirectRows = redirectRows;

    MarketServer market;
    if (!market.listen())
        return 1;
    mixedmarket::serve(market, options);
    if (parser.isSet(renderedShops)) {
        const int pictureCount = parser.value(pictures).toInt();
        MarketPage picture;
        picture.body = QByteArray(2048, 'x');
        picture.contentType = "image/jpeg";
        picture.delayMs = parser.value(pictureDelay).toInt();
        for (int row : redirectRows) {
            market.setPage(mixedmarket::shopHost(row), QStringLiteral("/"),
                           mixedmarket::delayedPage(
                               renderedShopPage(row, pictureCount, parser.value(elements).toInt()),
                               row, options));
            for (int one = 1; one <= pictureCount; ++one)
                market.setPage(PictureHost, picturePath(row, one), picture);
        }
    }
    if (parser.isSet(log)) {
        QObject::connect(&market, &MarketServer::requested, [](const QString& entry) {
            std::printf("%s\n", qPrintable(entry));
            std::fflush(stdout);
        });
    }
    if (parser.isSet(urls)) {
        QFile file(parser.value(urls));
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        file.write(directPages(options).join(u'\n').toUtf8() + '\n');
    }
    std::printf("%s\n", qPrintable(market.proxyUrl()));
    std::fflush(stdout);
    return app.exec();
}
